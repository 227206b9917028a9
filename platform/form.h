// The common part of every window's logic: the platform window built from
// its description, and the table that routes the window's events to the
// handlers (named after the control and the event, as cmdcerca_Click).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/ui.h"

namespace krt::ui {

class Form : public EventSink {
 public:
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Window& window() { return *window_; }
  Control& control(std::string_view name) { return window_->control(name); }

  void onEvent(std::string_view control, Event event) override {
    const auto it = handlers_.find({std::string(control), event});
    if (it != handlers_.end()) it->second();
  }

 protected:
  Form() = default;
  ~Form() override = default;

  // Builds the window; called by the derived constructor once its handlers
  // may run.
  void createWindow(Platform& platform, const WindowDesc& desc) { window_ = platform.createWindow(desc, *this); }

  void on(std::string control, Event event, std::function<void()> handler) {
    handlers_[{std::move(control), event}] = std::move(handler);
  }

 private:
  // The handlers outlive the window, which may still report while it closes.
  std::map<std::pair<std::string, Event>, std::function<void()>, std::less<>> handlers_;
  std::unique_ptr<Window> window_;
};

}  // namespace krt::ui
