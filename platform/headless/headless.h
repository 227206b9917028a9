// The in-memory platform the tests run the windows on.
//
// Controls keep their state in memory. The test plays the user (typing,
// picking, clicking, moving the focus, switching windows) and scripts the
// answers of message boxes and file dialogs in advance; everything shown is
// recorded. A message box or dialog with no scripted answer fails the test.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace krt::headless {

class HeadlessPlatform;
class HeadlessWindow;

class HeadlessControl : public ui::Control {
 public:
  HeadlessControl(HeadlessWindow& window, const ui::ControlDesc& desc);

  std::string text() const override { return text_; }
  void setText(std::string_view text) override;
  void clearItems() override;
  void addItem(std::string_view item) override;
  void setItems(ui::LineStore lines) override;
  const ui::LineStore& lines() const override { return items_; }
  int itemCount() const override;
  std::string item(int index) const override;
  int listIndex() const override { return index_; }
  void setListIndex(int index) override;
  int topIndex() const override { return top_; }
  void setTopIndex(int index) override { top_ = index; }
  bool visible() const override { return visible_; }
  void setVisible(bool visible) override { visible_ = visible; }
  ui::Color backColor() const override { return back_; }
  void setBackColor(ui::Color color) override { back_ = color; }
  std::string fontName() const override { return fontName_; }
  void setFontName(std::string_view name) override { fontName_ = name; }
  double fontSize() const override { return fontSize_; }
  void setFontSize(double size) override { fontSize_ = size; }
  std::string toolTip() const override { return tip_; }
  void setToolTip(std::string_view tip) override { tip_ = tip; }

  const ui::ControlDesc& desc() const { return desc_; }
  std::vector<std::string> items() const;
  void setRows(std::vector<std::vector<std::string>> rows) override;
  std::string cell(int row, int column) const override;
  // Whether the items were last emptied, and every one since added, with the
  // busy pointer shown.
  bool filledWhileBusy() const { return filledWhileBusy_; }

 private:
  HeadlessWindow& window_;
  ui::ControlDesc desc_;
  std::string text_;
  ui::LineStore items_;
  std::vector<std::vector<std::string>> rows_;
  int index_ = -1;
  int top_ = 0;
  bool visible_ = true;
  ui::Color back_{};
  std::string fontName_;
  double fontSize_ = 8.25;
  std::string tip_;
  bool filledWhileBusy_ = false;
};

class HeadlessWindow : public ui::Window {
 public:
  HeadlessWindow(HeadlessPlatform& platform, const ui::WindowDesc& desc, ui::EventSink& sink);
  ~HeadlessWindow() override;

  HeadlessControl& control(std::string_view name) override;
  bool hasControl(std::string_view name) const override;
  void show() override;
  void hide() override;
  bool isVisible() const override { return visible_; }
  void setCaption(std::string_view caption) override { caption_ = caption; }
  void setFocus(std::string_view control) override { focus_ = control; }

  const ui::WindowDesc& desc() const { return desc_; }
  const std::string& caption() const { return caption_; }
  const std::string& focused() const { return focus_; }
  ui::EventSink& sink() { return sink_; }
  HeadlessPlatform& platform() { return platform_; }

  // ---- the user ----
  // A menu entry, button or label clicked.
  void click(std::string_view control);
  // Text typed into a text box or combo box (replaces its text).
  void type(std::string_view control, std::string_view text);
  // An item of a combo box picked, or an entry of a list box clicked.
  void pick(std::string_view control, int index);
  // The focus moved to `control`: the control that had it loses it.
  void focus(std::string_view control);
  // The user closes the window by its frame; true when it closed.
  bool close();

 private:
  friend class HeadlessPlatform;
  HeadlessPlatform& platform_;
  ui::WindowDesc desc_;
  ui::EventSink& sink_;
  std::map<std::string, std::unique_ptr<HeadlessControl>, std::less<>> controls_;
  std::string caption_;
  std::string focus_;
  bool visible_ = false;
};

// One call recorded by the recording printer, e.g. "text 460 460 Nome ...".
struct PrintedDocument {
  std::string pdfPath;
  std::vector<std::string> calls;
  bool ended = false;
  bool busyAtEnd = false;  // the busy pointer was shown when the document ended
};

class RecordingPrinter : public ui::Printer {
 public:
  RecordingPrinter(PrintedDocument& doc, bool failOnEnd, const bool& busy)
      : doc_(doc), failOnEnd_(failOnEnd), busy_(busy) {}
  void setFontName(std::string_view name) override;
  void setFontSize(double points) override;
  void setFontBold(bool bold) override;
  void setOrientation(ui::Orientation orientation) override;
  void setLineWidth(int dots) override;
  int currentX() const override { return x_; }
  int currentY() const override { return y_; }
  void setCurrentX(int twips) override { x_ = twips; }
  void setCurrentY(int twips) override { y_ = twips; }
  void printLine(std::string_view text) override;
  void drawRect(int left, int top, int width, int height) override;
  // A letter page with half-inch margins; a line is 1.13 times the font size.
  int pageWidth() override;
  int pageHeight() override;
  int lineHeight() override;
  void newPage() override;
  void endDoc() override;
  void abortDoc() override { doc_.calls.push_back("abort"); }

 private:
  PrintedDocument& doc_;
  bool failOnEnd_;
  const bool& busy_;
  int x_ = 0;
  int y_ = 0;
  double size_ = 10;
  bool landscape_ = false;
};

class HeadlessPlatform : public ui::Platform {
 public:
  HeadlessPlatform();
  ~HeadlessPlatform() override;

  // ---- scripts ----
  // The next question's answer; Dismissed: closed by Escape or its frame.
  void answer(ui::Answer answer) { answers_.push_back(answer); }
  // The next file dialog chooses `path` (nothing: cancelled) with the save
  // filter of that index.
  void chooseFile(std::optional<std::string> path, int filter = 0) { files_.push_back({std::move(path), filter}); }
  // The next number asked for (nothing: cancelled).
  void giveNumber(std::optional<int> number) { numbers_.push_back(number); }
  bool scriptsUsed() const { return answers_.empty() && files_.empty() && numbers_.empty(); }
  // The user stops the next long piece of work at its step number `step`
  // (counting from 1).
  void cancelProgressAt(int step) { cancelAt_ = step; }
  void setPrinterInstalled(bool installed) { printerInstalled_ = installed; }
  void setPrintFails(bool fails) { printFails_ = fails; }
  void setHelpWorks(bool works) { helpWorks_ = works; }

  // ---- what was shown ----
  struct Shown {
    std::string text;
    ui::Buttons buttons;
  };
  std::vector<Shown> messages;
  std::vector<ui::FileRequest> openDialogs;
  // The number questions shown: "text min-max (value)".
  std::vector<std::string> numberQuestions;
  std::vector<ui::FileRequest> saveDialogs;
  std::vector<std::string> helpShown;
  std::deque<PrintedDocument> printed;  // a deque keeps references stable
  std::vector<std::string> progressShown;  // the texts of the progress created, and of its last part
  int progressSteps = 0;
  int busyCalls = 0;
  bool busy = false;  // shown by at least one BusyPointer still alive
  bool quitRequested = false;

  // The texts of the message boxes shown so far, then forgets them.
  std::vector<std::string> takeMessages();

  // ---- windows ----
  HeadlessWindow* find(std::string_view name);
  HeadlessWindow& window(std::string_view name);
  HeadlessWindow* active() { return active_; }
  // The user brings this window to the front.
  void activate(HeadlessWindow& window);
  // Runs what the windows posted for after the current event.
  void runPosted();

  // ---- ui::Platform ----
  std::unique_ptr<ui::Window> createWindow(const ui::WindowDesc& desc, ui::EventSink& sink) override;
  ui::Answer messageBox(std::string_view text, ui::Buttons buttons) override;
  std::optional<std::string> openFileDialog(const ui::FileRequest& request) override;
  std::optional<int> askNumber(std::string_view text, int min, int max, int value) override;
  std::optional<std::string> saveFileDialog(const ui::FileRequest& request) override;
  std::optional<ui::ChosenFile> saveFileDialogFiltered(const ui::FileRequest& request) override;
  std::unique_ptr<ui::Progress> createProgress(std::string_view text) override;
  bool showHelp(const std::string& path) override;
  void setBusy(bool busy) override;
  bool hasPrinter() override { return printerInstalled_; }
  std::unique_ptr<ui::Printer> createPrinter(const std::string& pdfPath) override;
  void post(std::function<void()> fn) override { posted_.push_back(std::move(fn)); }
  void quit() override { quitRequested = true; }

 private:
  friend class HeadlessWindow;
  void forget(HeadlessWindow* window);

  std::deque<ui::Answer> answers_;
  struct ScriptedFile {
    std::optional<std::string> path;
    int filter = 0;
  };
  ScriptedFile nextFile(const char* what, const std::string& title);
  std::deque<ScriptedFile> files_;
  std::deque<std::optional<int>> numbers_;
  int cancelAt_ = 0;
  std::vector<HeadlessWindow*> windows_;
  std::vector<std::function<void()>> posted_;
  HeadlessWindow* active_ = nullptr;
  bool printerInstalled_ = true;
  bool printFails_ = false;
  bool helpWorks_ = true;
  int busyDepth_ = 0;
};

// Thrown when the program shows a message box or dialog the test did not
// script.
class UnexpectedDialog : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

}  // namespace krt::headless
