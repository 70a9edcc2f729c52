#include "visio/EventSubscription.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "automation/Variant.h"
#include "visio/ErrorText.h"
#include "visio/EventCodes.h"

using automation::ObjectRef;
using automation::Variant;

namespace {

std::string Failure(std::string_view step, std::uint16_t code, const std::exception& error) {
  return std::string(step) + " for " + EventCodeText(code) + " (" + std::to_string(code) +
         "): " + TrimText(ErrorMessage(error));
}

}  // namespace

TVisioEventSubscription::TVisioEventSubscription(THandler handler) : handler_(std::move(handler)) {}

TVisioEventSubscription::~TVisioEventSubscription() {
  Stop();
}

std::string TVisioEventSubscription::Start(const ObjectRef& app,
                                           const std::vector<std::uint16_t>& codes) {
  Stop();
  if (!app) return "not connected to Visio";
  // A fresh sink each time: one that an earlier Visio may still hold gets
  // no handler and stays quiet.
  sink_ = automation::MakeRef<TVisioAddOnSink>();
  sink_->OnVisioEvent = [this](std::unique_ptr<TKTVisio_EventInfo> info) {
    if (handler_) handler_(*info);
  };
  ObjectRef list;
  try {
    list = app.Get("EventList").ToObject();
  } catch (const std::exception& e) {
    Stop();
    return "Application.EventList: " + TrimText(ErrorMessage(e));
  }
  for (const std::uint16_t code : codes) {
    if (std::find(codes_.begin(), codes_.end(), code) != codes_.end()) continue;
    try {
      // IIDSink is reserved and must be "", as Visio documents it.
      ObjectRef event =
          list.Invoke("AddAdvise", {Variant(static_cast<std::int16_t>(code)),
                                    Variant(ObjectRef(sink_)), Variant(""), Variant("")})
              .ToObject();
      if (!event) throw automation::AutomationError(automation::E_FAIL, "no Event came back");
      events_.push_back(std::move(event));
      codes_.push_back(code);
    } catch (const std::exception& e) {
      const std::string why = Failure("AddAdvise", code, e);
      Stop();
      return why;
    }
  }
  return {};
}

std::string TVisioEventSubscription::Stop() {
  if (sink_) sink_->OnVisioEvent = nullptr;
  sink_.Reset();
  // Taken first: Delete may deliver events that end in another Stop.
  const std::vector<ObjectRef> events = std::exchange(events_, {});
  const std::vector<std::uint16_t> codes = std::exchange(codes_, {});
  for (std::size_t i = 0; i < events.size(); ++i) {
    try {
      events[i].Invoke("Delete");
    } catch (const std::exception& e) {
      // A Visio gone or busy answers the next ones alike, each after its
      // own wait: the rest are let go of untried.
      return Failure("Event.Delete", codes[i], e);
    }
  }
  return {};
}
