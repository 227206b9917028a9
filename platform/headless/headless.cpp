#include "platform/headless/headless.h"

#include <algorithm>
#include <cmath>

namespace krt::headless {

// ---- HeadlessControl -----------------------------------------------------------

HeadlessControl::HeadlessControl(HeadlessWindow& window, const ui::ControlDesc& desc)
    : window_(window), desc_(desc), back_(desc.backColor.value_or(ui::kWhite)) {
  if (desc.kind == ui::Kind::Label || desc.kind == ui::Kind::Button || desc.kind == ui::Kind::StatusPanel)
    text_ = desc.caption;
  fontName_ = desc.font.name.empty() ? window.desc().font.name : desc.font.name;
  fontSize_ = desc.font.name.empty() ? window.desc().font.size : desc.font.size;
  tip_ = desc.hint;
}

void HeadlessControl::setText(std::string_view text) { text_ = text; }

void HeadlessControl::clearItems() {
  filledWhileBusy_ = window_.platform().busy;
  items_.clear();
  index_ = -1;
  top_ = 0;
  if (desc_.kind == ui::Kind::ComboBox) text_.clear();
}

void HeadlessControl::addItem(std::string_view item) {
  filledWhileBusy_ = filledWhileBusy_ && window_.platform().busy;
  items_.add(item);
}

void HeadlessControl::setItems(ui::LineStore lines) {
  clearItems();
  items_ = std::move(lines);
}

std::string HeadlessControl::item(int index) const {
  if (index < 0 || index >= itemCount()) throw std::out_of_range("item " + std::to_string(index) + " of " + desc_.name);
  if (desc_.kind == ui::Kind::Table) {
    // A row reads as its cells separated by tabs.
    std::string row;
    for (const auto& cell : rows_[static_cast<std::size_t>(index)]) row += (row.empty() ? "" : "\t") + cell;
    return row;
  }
  return std::string(items_[static_cast<std::size_t>(index)]);
}

std::vector<std::string> HeadlessControl::items() const {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < items_.size(); ++i) out.emplace_back(items_[i]);
  return out;
}

int HeadlessControl::itemCount() const {
  return static_cast<int>(desc_.kind == ui::Kind::Table ? rows_.size() : items_.size());
}

void HeadlessControl::setRows(std::vector<std::vector<std::string>> rows) {
  rows_ = std::move(rows);
  index_ = -1;
}

std::string HeadlessControl::cell(int row, int column) const {
  if (row < 0 || row >= itemCount()) throw std::out_of_range("row " + std::to_string(row) + " of " + desc_.name);
  const auto& cells = rows_[static_cast<std::size_t>(row)];
  return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : std::string();
}

void HeadlessControl::setListIndex(int index) {
  if (index < -1 || index >= itemCount()) throw std::out_of_range("list index of " + desc_.name);
  index_ = index;
  if (desc_.kind == ui::Kind::ComboBox) {
    if (index >= 0) text_ = items_[static_cast<std::size_t>(index)];
  } else if (desc_.kind == ui::Kind::ListBox) {
    window_.sink().onEvent(desc_.name, ui::Event::Click);
  }
}

// ---- HeadlessWindow --------------------------------------------------------------

HeadlessWindow::HeadlessWindow(HeadlessPlatform& platform, const ui::WindowDesc& desc, ui::EventSink& sink)
    : platform_(platform), desc_(desc), sink_(sink), caption_(desc.caption) {
  for (const auto& c : desc_.controls) controls_[c.name] = std::make_unique<HeadlessControl>(*this, c);
  // Menu entries answer clicks like buttons.
  std::function<void(const std::vector<ui::MenuDesc>&)> addMenu = [&](const std::vector<ui::MenuDesc>& items) {
    for (const auto& item : items) {
      ui::ControlDesc c;
      c.kind = ui::Kind::Button;
      c.name = item.name;
      c.caption = item.caption;
      controls_[c.name] = std::make_unique<HeadlessControl>(*this, c);
      addMenu(item.items);
    }
  };
  addMenu(desc_.menu);
}

HeadlessWindow::~HeadlessWindow() { platform_.forget(this); }

HeadlessControl& HeadlessWindow::control(std::string_view name) {
  const auto it = controls_.find(name);
  if (it == controls_.end()) throw std::out_of_range("no control " + std::string(name) + " in " + desc_.name);
  return *it->second;
}

bool HeadlessWindow::hasControl(std::string_view name) const { return controls_.find(name) != controls_.end(); }

void HeadlessWindow::show() {
  visible_ = true;
  if (platform_.active() != this) platform_.activate(*this);
}

void HeadlessWindow::hide() {
  visible_ = false;
  if (platform_.active_ == this) platform_.active_ = nullptr;
}

void HeadlessWindow::click(std::string_view name) {
  if (platform_.active() != this) platform_.activate(*this);
  control(name);
  sink_.onEvent(name, ui::Event::Click);
  platform_.runPosted();
}

void HeadlessWindow::type(std::string_view name, std::string_view text) {
  if (platform_.active() != this) platform_.activate(*this);
  HeadlessControl& c = control(name);
  std::string value(text);
  if (c.desc().maxLength > 0 && value.size() > static_cast<std::size_t>(c.desc().maxLength))
    value.resize(static_cast<std::size_t>(c.desc().maxLength));
  c.setText(value);
  sink_.onEvent(name, ui::Event::Change);
  platform_.runPosted();
}

void HeadlessWindow::pick(std::string_view name, int index) {
  if (platform_.active() != this) platform_.activate(*this);
  HeadlessControl& c = control(name);
  if (c.desc().kind == ui::Kind::ListBox) {
    c.setListIndex(index);  // raises Click
  } else {
    c.setListIndex(index);
    sink_.onEvent(name, ui::Event::Click);
  }
  platform_.runPosted();
}

void HeadlessWindow::focus(std::string_view name) {
  if (platform_.active() != this) platform_.activate(*this);
  control(name);
  if (focus_ == name) return;
  const std::string old = focus_;
  focus_ = name;
  if (!old.empty()) sink_.onEvent(old, ui::Event::LostFocus);
  platform_.runPosted();
}

bool HeadlessWindow::close() {
  const bool closed = sink_.onCloseRequest();
  if (closed) hide();
  platform_.runPosted();
  return closed;
}

// ---- RecordingPrinter --------------------------------------------------------------

namespace {
std::string num(double v) {
  if (v == std::floor(v)) return std::to_string(static_cast<long long>(v));
  std::string s = std::to_string(v);
  s.erase(s.find_last_not_of('0') + 1);
  return s;
}
}  // namespace

void RecordingPrinter::setFontName(std::string_view name) { doc_.calls.push_back("font " + std::string(name)); }
void RecordingPrinter::setFontSize(double points) {
  size_ = points;
  doc_.calls.push_back("size " + num(points));
}
void RecordingPrinter::setFontBold(bool bold) { doc_.calls.push_back(bold ? "bold on" : "bold off"); }
void RecordingPrinter::setOrientation(ui::Orientation o) {
  landscape_ = o == ui::Orientation::Landscape;
  doc_.calls.push_back(landscape_ ? "landscape" : "portrait");
}
void RecordingPrinter::setLineWidth(int dots) { doc_.calls.push_back("linewidth " + std::to_string(dots)); }

int RecordingPrinter::lineHeight() { return static_cast<int>(std::lround(size_ * 20 * 1.13)); }
int RecordingPrinter::pageWidth() { return landscape_ ? 14400 : 11520; }
int RecordingPrinter::pageHeight() { return landscape_ ? 11520 : 14400; }
void RecordingPrinter::newPage() {
  doc_.calls.push_back("page");
  x_ = 0;
  y_ = 0;
}

void RecordingPrinter::printLine(std::string_view text) {
  doc_.calls.push_back("text " + std::to_string(x_) + " " + std::to_string(y_) + " " + std::string(text));
  x_ = 0;
  y_ += lineHeight();
}

void RecordingPrinter::drawRect(int left, int top, int width, int height) {
  doc_.calls.push_back("rect " + std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(width) + " " +
                       std::to_string(height));
}

void RecordingPrinter::endDoc() {
  if (failOnEnd_) throw ui::PrintError("La stampante non risponde.");
  doc_.calls.push_back("end");
  doc_.ended = true;
  doc_.busyAtEnd = busy_;
}

// ---- HeadlessPlatform ----------------------------------------------------------------

HeadlessPlatform::HeadlessPlatform() = default;
HeadlessPlatform::~HeadlessPlatform() = default;

std::vector<std::string> HeadlessPlatform::takeMessages() {
  std::vector<std::string> texts;
  for (const auto& m : messages) texts.push_back(m.text);
  messages.clear();
  return texts;
}

HeadlessWindow* HeadlessPlatform::find(std::string_view name) {
  for (auto* w : windows_) {
    if (w->desc().name == name) return w;
  }
  return nullptr;
}

HeadlessWindow& HeadlessPlatform::window(std::string_view name) {
  if (auto* w = find(name)) return *w;
  throw std::out_of_range("no window " + std::string(name));
}

void HeadlessPlatform::activate(HeadlessWindow& window) {
  if (active_ == &window) return;
  // The control that had the focus in the window left behind loses it.
  if (active_ && !active_->focus_.empty()) active_->sink_.onEvent(active_->focus_, ui::Event::LostFocus);
  active_ = &window;
  window.visible_ = true;
  window.sink_.onActivate();
}

void HeadlessPlatform::runPosted() {
  while (!posted_.empty()) {
    auto fns = std::move(posted_);
    posted_.clear();
    for (auto& fn : fns) fn();
  }
}

void HeadlessPlatform::forget(HeadlessWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
  if (active_ == window) active_ = nullptr;
}

std::unique_ptr<ui::Window> HeadlessPlatform::createWindow(const ui::WindowDesc& desc, ui::EventSink& sink) {
  auto w = std::make_unique<HeadlessWindow>(*this, desc, sink);
  windows_.push_back(w.get());
  return w;
}

ui::Answer HeadlessPlatform::messageBox(std::string_view text, ui::Buttons buttons) {
  messages.push_back({std::string(text), buttons});
  if (buttons == ui::Buttons::Ok) {
    if (!answers_.empty() && answers_.front() == ui::Answer::Ok) answers_.pop_front();
    return ui::Answer::Ok;
  }
  if (answers_.empty()) throw UnexpectedDialog("unscripted question: " + std::string(text));
  const ui::Answer a = answers_.front();
  answers_.pop_front();
  // Dismissed stands for Escape or the box's frame, which a box whose answer
  // must be chosen does not offer.
  if (a == ui::Answer::Ok || (a == ui::Answer::Cancel && buttons != ui::Buttons::YesNoCancel) ||
      (a == ui::Answer::Dismissed && buttons == ui::Buttons::YesNoRequired))
    throw UnexpectedDialog("scripted answer does not fit the buttons of: " + std::string(text));
  return a;
}

HeadlessPlatform::ScriptedFile HeadlessPlatform::nextFile(const char* what, const std::string& title) {
  if (files_.empty()) throw UnexpectedDialog(std::string("unscripted ") + what + " dialog: " + title);
  auto f = files_.front();
  files_.pop_front();
  return f;
}

std::optional<int> HeadlessPlatform::askNumber(std::string_view text, int min, int max, int value) {
  numberQuestions.push_back(std::string(text) + " " + std::to_string(min) + "-" + std::to_string(max) + " (" +
                            std::to_string(value) + ")");
  if (numbers_.empty()) throw UnexpectedDialog("unscripted number question: " + std::string(text));
  const auto n = numbers_.front();
  numbers_.pop_front();
  if (n && (*n < min || *n > max)) throw UnexpectedDialog("scripted number out of range: " + std::string(text));
  return n;
}

std::optional<std::string> HeadlessPlatform::openFileDialog(const ui::FileRequest& request) {
  openDialogs.push_back(request);
  return nextFile("open", request.title).path;
}

std::optional<std::string> HeadlessPlatform::saveFileDialog(const ui::FileRequest& request) {
  saveDialogs.push_back(request);
  return nextFile("save", request.title).path;
}

std::optional<ui::ChosenFile> HeadlessPlatform::saveFileDialogFiltered(const ui::FileRequest& request) {
  saveDialogs.push_back(request);
  const ScriptedFile f = nextFile("save", request.title);
  if (!f.path) return std::nullopt;
  return ui::ChosenFile{*f.path, f.filter};
}

namespace {
// Counts the steps; answers "stop" at the scripted one.
class HeadlessProgress : public ui::Progress {
 public:
  HeadlessProgress(int& steps, int cancelAt, std::vector<std::string>& shown)
      : steps_(steps), cancelAt_(cancelAt), shown_(shown) {}
  bool step(std::uint64_t, std::uint64_t) override {
    if (!stopped_ && ++steps_ == cancelAt_) stopped_ = true;
    return !stopped_;
  }
  void finishing(std::string_view text) override { shown_.emplace_back(text); }

 private:
  int& steps_;
  int cancelAt_;
  std::vector<std::string>& shown_;
  bool stopped_ = false;
};
}  // namespace

std::unique_ptr<ui::Progress> HeadlessPlatform::createProgress(std::string_view text) {
  progressShown.emplace_back(text);
  progressSteps = 0;
  const int cancelAt = cancelAt_;
  cancelAt_ = 0;
  return std::make_unique<HeadlessProgress>(progressSteps, cancelAt, progressShown);
}

bool HeadlessPlatform::showHelp(const std::string& path) {
  helpShown.push_back(path);
  return helpWorks_;
}

void HeadlessPlatform::setBusy(bool b) {
  if (b) ++busyCalls;
  busyDepth_ = b ? busyDepth_ + 1 : std::max(busyDepth_ - 1, 0);
  busy = busyDepth_ > 0;
}

std::unique_ptr<ui::Printer> HeadlessPlatform::createPrinter(const std::string& pdfPath) {
  printed.push_back({pdfPath, {}, false});
  return std::make_unique<RecordingPrinter>(printed.back(), printFails_ && pdfPath.empty(), busy);
}

}  // namespace krt::headless
