// One window of the program as Qt widgets, built from its WindowDesc.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "platform/ui.h"

class QAction;
class QAbstractItemView;

namespace krt::qt {

class QtPlatform;
class QtWindow;
class LineModel;

// A control: one widget and what the logic may ask of it.
class QtControl : public ui::Control {
 public:
  QtControl(QtWindow& window, const ui::ControlDesc& desc, QWidget* widget);
  ~QtControl() override;

  QWidget* widget() const { return widget_; }
  const ui::ControlDesc& desc() const { return desc_; }

  std::string text() const override;
  void setText(std::string_view text) override;
  void clearItems() override;
  void addItem(std::string_view item) override;
  void setItems(ui::LineStore lines) override;
  const ui::LineStore& lines() const override;
  int itemCount() const override;
  std::string item(int index) const override;
  int listIndex() const override;
  void setListIndex(int index) override;
  int topIndex() const override;
  void setTopIndex(int index) override;
  bool visible() const override;
  void setVisible(bool visible) override;
  ui::Color backColor() const override { return back_; }
  void setBackColor(ui::Color color) override;
  std::string fontName() const override;
  void setFontName(std::string_view name) override;
  double fontSize() const override;
  void setFontSize(double size) override;
  std::string toolTip() const override;
  void setToolTip(std::string_view tip) override;
  void setRows(std::vector<std::vector<std::string>> rows) override;
  std::string cell(int row, int column) const override;

  // Raises an event of this control in its window's logic.
  void raise(ui::Event event);

 private:
  // A list box's view and the model of its lines; null for other kinds.
  QAbstractItemView* listView() const;

  QtWindow& window_;
  ui::ControlDesc desc_;
  QPointer<QWidget> widget_;
  QPointer<LineModel> lines_;
  ui::Color back_;
  bool visible_ = true;
};

class QtWindow : public ui::Window {
 public:
  QtWindow(QtPlatform& platform, const ui::WindowDesc& desc, ui::EventSink& sink);
  ~QtWindow() override;

  ui::Control& control(std::string_view name) override;
  bool hasControl(std::string_view name) const override;
  void show() override;
  void hide() override;
  bool isVisible() const override;
  void setCaption(std::string_view caption) override;
  void setFocus(std::string_view control) override;

  QWidget* top() const { return top_; }
  const ui::WindowDesc& desc() const { return desc_; }
  ui::EventSink* sink() const { return sink_; }
  QtPlatform& platform() { return platform_; }
  // The control a widget belongs to (the widget or one of its parents).
  QtControl* controlOf(QObject* object) const;

 private:
  QWidget* buildControl(const ui::ControlDesc& c, QWidget* parent);
  void buildMenu(QWidget* mainWindow);
  void nameForScreenReaders();
  void bindKeys();

  QtPlatform& platform_;
  ui::WindowDesc desc_;
  ui::EventSink* sink_;
  QPointer<QWidget> top_;
  QPointer<QWidget> firstFocus_;
  std::map<std::string, std::unique_ptr<QtControl>, std::less<>> controls_;
};

}  // namespace krt::qt
