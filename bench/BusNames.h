// Waiting for a program started by a benchmark to own its name on the bus.
#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

namespace bench {

// Polls: the caller has no event loop running yet.
inline bool WaitForName(const QDBusConnection& bus, const QString& name, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    if (bus.interface()->isServiceRegistered(name).value()) return true;
    QThread::msleep(10);
  }
  return false;
}

}  // namespace bench
