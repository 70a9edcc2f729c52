// Listening to Visio's events: one add-on sink advised on the application's
// event list (EventList.AddAdvise) for each chosen event code. Events
// reported anywhere in Visio reach the application's list, so one list
// hears them all; the source Visio passes is then always the application.
//
// Beside the controller, which keeps no event connection of its own. Never
// throws: what Visio refuses or a Visio that has gone away comes back as
// text naming the step.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "automation/Object.h"
#include "visio/KTVisio_AddOnSink.h"

class TVisioEventSubscription {
 public:
  // Called for each event while the subscription is active, on the thread
  // that delivers it. What it throws goes back to Visio as the sink's error.
  using THandler = std::function<void(const TKTVisio_EventInfo&)>;

  explicit TVisioEventSubscription(THandler handler);
  // Stops, removing the events from Visio when it can still be reached.
  ~TVisioEventSubscription();
  TVisioEventSubscription(const TVisioEventSubscription&) = delete;
  TVisioEventSubscription& operator=(const TVisioEventSubscription&) = delete;

  // Advises the sink on app.EventList for each code, in order, after
  // stopping whatever was advised before. "" when every code is advised;
  // otherwise the first failure ("AddAdvise for CellChanged (10240): ...")
  // and nothing stays advised. Codes given twice are advised once.
  std::string Start(const automation::ObjectRef& app, const std::vector<std::uint16_t>& codes);
  // Deletes every advised event (Event.Delete); the sink hears nothing more
  // either way. "" when all went, else the failure ("Event.Delete for
  // CellChanged (10240): ...") that ended the removal; the events not
  // deleted are let go of all the same.
  std::string Stop();

  bool Active() const { return !events_.empty(); }
  // The codes advised now, in the order given.
  const std::vector<std::uint16_t>& Codes() const { return codes_; }

 private:
  THandler handler_;
  automation::Ref<TVisioAddOnSink> sink_;
  std::vector<automation::ObjectRef> events_;  // parallel to codes_
  std::vector<std::uint16_t> codes_;
};
