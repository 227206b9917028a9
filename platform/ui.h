// The platform seam: what the windows' logic asks of a user interface.
//
// The logic of every window is plain C++ on these interfaces. The Qt program
// implements them with real widgets (platform/qt); the tests implement them
// in memory with scripted answers (platform/headless).
//
// All texts crossing this seam are cp1252 bytes, as in the archive files.
// Positions and sizes are twips (1/1440 inch).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/line_store.h"

namespace krt::ui {

// ---- window description ----------------------------------------------------

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color&) const = default;
};
inline constexpr Color kBlue{0, 0, 255};
inline constexpr Color kRed{255, 0, 0};
inline constexpr Color kWhite{255, 255, 255};
inline constexpr Color kBlack{0, 0, 0};

struct Font {
  std::string name;  // empty: the window's font
  double size = 8.25;
  bool bold = false;
};

enum class Kind {
  Label,       // caption; clickable when `clickable` is set
  TextBox,     // single-line text
  ComboBox,    // editable drop-down combo
  ListBox,     // unsorted list of items
  Button,      // push button
  TabControl,  // pages named by `caption`, separated by '|'
  Line,        // a straight line from (left, top) to (left+width, top+height)
  // A read-only table: column headings in `caption`, separated by '|'; the
  // rows are set at once (setRows). A row activated by a double click or
  // Enter raises Click, with listIndex() the row.
  Table,
  // A panel of the status bar under the window's controls, left to right in
  // the order given; `width` is its least width (0: it takes the room left).
  // Its tool tip is also what a screen reader describes it by.
  StatusPanel,
};

struct ControlDesc {
  Kind kind = Kind::Label;
  std::string name;
  std::string caption;
  std::string hint;
  int left = 0, top = 0, width = 0, height = 0;
  // "" for the window itself, or "<tab control>/<page index>".
  std::string container;
  int maxLength = 0;  // 0: no limit
  Font font;          // empty name: the window's font
  std::optional<Color> foreColor;
  std::optional<Color> backColor;
  bool clickable = false;
  bool highlightText = false;  // label text in the system highlight-text colour
  // What a screen reader announces for the control: the caption of the label
  // named here (trimmed), or else `accessibleName`.
  std::string labelledBy;
  std::string accessibleName;
  // Keyboard: a key that clicks the control ("F3"), and for a text box the
  // control that Enter clicks.
  std::string shortcut;
  std::string enterClicks;
};

struct MenuDesc {
  std::string name;
  std::string caption;
  std::vector<MenuDesc> items;  // empty: a command
  std::string shortcut;         // e.g. "Ctrl+O"
};

struct WindowDesc {
  std::string name;
  std::string caption;
  int width = 0, height = 0;  // client area
  Font font{"MS Sans Serif"};  // the face of every window but the editor
  std::vector<ControlDesc> controls;  // focusable controls take the focus in this order
  std::vector<std::string> tabOrder;  // when given, overrides the order above
  std::vector<MenuDesc> menu;
};

// ---- controls and windows --------------------------------------------------

enum class Event {
  Click,      // button, label or menu entry clicked; list entry chosen; combo item picked
  Change,     // the user changed the text of a text box or combo box
  LostFocus,  // the focus left the control for another control
};

// One control. Kinds answer what they have; the rest is ignored.
// Setting anything from code raises no event, with one exception:
// setListIndex on a list box raises its Click, as the user's choice does.
class Control {
 public:
  virtual ~Control() = default;

  virtual std::string text() const = 0;  // text box / combo edit field / caption
  virtual void setText(std::string_view text) = 0;

  virtual void clearItems() = 0;  // a combo box loses its text too
  virtual void addItem(std::string_view item) = 0;
  // A list box's lines replaced by these in one call (a long list: the
  // list shows them without copying each into an item of its own).
  virtual void setItems(LineStore lines) = 0;
  // The lines a list box holds.
  virtual const LineStore& lines() const = 0;
  virtual int itemCount() const = 0;
  virtual std::string item(int index) const = 0;

  virtual int listIndex() const = 0;  // -1: nothing selected
  virtual void setListIndex(int index) = 0;
  virtual int topIndex() const = 0;
  virtual void setTopIndex(int index) = 0;

  virtual bool visible() const = 0;
  virtual void setVisible(bool visible) = 0;

  virtual Color backColor() const = 0;
  virtual void setBackColor(Color color) = 0;

  virtual std::string fontName() const = 0;
  virtual void setFontName(std::string_view name) = 0;
  virtual double fontSize() const = 0;
  virtual void setFontSize(double size) = 0;

  virtual std::string toolTip() const = 0;
  virtual void setToolTip(std::string_view tip) = 0;

  // Table: replaces every row (cp1252 cells, one per column); itemCount()
  // is then the number of rows and cell() reads them back.
  virtual void setRows(std::vector<std::vector<std::string>> rows) { (void)rows; }
  virtual std::string cell(int row, int column) const {
    (void)row;
    (void)column;
    return {};
  }
};

// Receives the events of one window.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void onEvent(std::string_view control, Event event) = 0;
  // The window became the active window of the program: it was made
  // visible, or the user came back to it from another window of the
  // program. Not raised when the window's own message box or dialog closes,
  // nor when the user comes back from another application.
  virtual void onActivate() {}
  // The user closes the window by its frame. Return false to keep it open.
  virtual bool onCloseRequest() { return true; }
};

class Window {
 public:
  virtual ~Window() = default;
  virtual Control& control(std::string_view name) = 0;
  virtual bool hasControl(std::string_view name) const = 0;
  virtual void show() = 0;  // visible and active (raises onActivate)
  virtual void hide() = 0;
  virtual bool isVisible() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
  // Moves the keyboard focus to the control.
  virtual void setFocus(std::string_view control) = 0;
};

// ---- dialogs, printer, services ---------------------------------------------

enum class Buttons {
  Ok,
  YesNo,
  YesNoCancel,
  // Yes and No only, and one of them must be chosen: Escape and the box's
  // frame do nothing. For a question where either default would lose what
  // the user typed.
  YesNoRequired,
};
enum class Answer {
  Ok,
  Yes,
  No,
  Cancel,
  // The box was closed without a button, by Escape or by its frame. Never a
  // button's answer: each caller decides what it safely means (usually as No,
  // or as Cancel where the question offers it).
  Dismissed,
};

struct FileRequest {
  std::string folder;  // initial folder (a native path)
  std::string title;
  std::string filter;  // "Description|pattern|Description|pattern"
};

// The file a save dialog chose, with the filter the user had chosen in it
// (0 for the first of the request's filters).
struct ChosenFile {
  std::string path;
  int filter = 0;
};

enum class Orientation { Portrait, Landscape };

// The printer as the print routines drive it: a pen position in twips from
// the top left of the printable area, lines of text, rectangle outlines.
class Printer {
 public:
  virtual ~Printer() = default;
  virtual void setFontName(std::string_view name) = 0;
  virtual void setFontSize(double points) = 0;
  virtual void setFontBold(bool bold) = 0;
  virtual void setOrientation(Orientation orientation) = 0;
  virtual void setLineWidth(int dots) = 0;
  virtual int currentX() const = 0;
  virtual int currentY() const = 0;
  virtual void setCurrentX(int twips) = 0;
  virtual void setCurrentY(int twips) = 0;
  // Prints the text at the current position, then moves to the start of
  // the next line; when that line would not fit, a new page begins.
  virtual void printLine(std::string_view text) = 0;
  virtual void drawRect(int left, int top, int width, int height) = 0;
  // The printable area of a page in twips (for the orientation set), the
  // height of a line in the current font, and a page break: documents that
  // number their pages lay them out with these.
  virtual int pageWidth() = 0;
  virtual int pageHeight() = 0;
  virtual int lineHeight() = 0;
  virtual void newPage() = 0;
  // Ends the document and sends it to the printer (throws PrintError).
  virtual void endDoc() = 0;
  // Drops the document: nothing is printed, no file is left.
  virtual void abortDoc() = 0;
};

class PrintError : public std::exception {
 public:
  explicit PrintError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }  // cp1252, for the user

 private:
  std::string message_;
};

// A long piece of work shown to the user with the chance to stop it: the
// progress appears only when the work lasts over a second, and while it is
// shown only its cancel button answers.
class Progress {
 public:
  virtual ~Progress() = default;
  // `done` of `total` units are done; false once the user asked to stop.
  virtual bool step(std::uint64_t done, std::uint64_t total) = 0;
  // The last part of the work begins, which cannot be stopped and reports
  // no steps (a file being packed and written): `text` says so and the cancel
  // button goes off.
  virtual void finishing(std::string_view text) = 0;
};

// The application's title: the caption of every message box.
inline constexpr const char* kAppTitle = "Archivio K.R.T.";

class Platform {
 public:
  virtual ~Platform() = default;

  virtual std::unique_ptr<Window> createWindow(const WindowDesc& desc, EventSink& sink) = 0;

  // A modal message box with the application's title and no icon; the first
  // button is the default.
  virtual Answer messageBox(std::string_view text, Buttons buttons) = 0;

  virtual std::optional<std::string> openFileDialog(const FileRequest& request) = 0;
  virtual std::optional<std::string> saveFileDialog(const FileRequest& request) = 0;
  // Asks for a whole number from `min` to `max`, offering `value`; nothing
  // when the user cancels.
  virtual std::optional<int> askNumber(std::string_view text, int min, int max, int value) = 0;

  // The save dialog, telling also which of the filters was chosen.
  virtual std::optional<ChosenFile> saveFileDialogFiltered(const FileRequest& request) = 0;

  // Opens the help file at its keyword index; false when it cannot.
  virtual bool showHelp(const std::string& path) = 0;

  // The busy (hourglass) pointer over every window of the program.
  virtual void setBusy(bool busy) = 0;

  // Whether a printer is installed, and a print document on it, or on a PDF
  // file when pdfPath is not empty.
  virtual bool hasPrinter() = 0;
  virtual std::unique_ptr<Printer> createPrinter(const std::string& pdfPath) = 0;

  // The progress of a long piece of work described by `text`; it closes when
  // the object is destroyed.
  virtual std::unique_ptr<Progress> createProgress(std::string_view text) = 0;

  // Runs fn once the current event has been handled.
  virtual void post(std::function<void()> fn) = 0;

  // Ends the program: every window closes at once.
  virtual void quit() = 0;
};

// Shows the busy pointer for the lifetime of the object.
class BusyPointer {
 public:
  explicit BusyPointer(Platform& platform) : platform_(platform) { platform_.setBusy(true); }
  ~BusyPointer() { platform_.setBusy(false); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  Platform& platform_;
};

}  // namespace krt::ui
