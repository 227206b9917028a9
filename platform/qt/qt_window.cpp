#include "platform/qt/qt_window.h"

#include <algorithm>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractListModel>
#include <QListView>
#include <QPainter>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QValidator>
#include <QWheelEvent>

#include "platform/qt/qt_platform.h"
#include "records/cp1252.h"

namespace krt::qt {
namespace {

const char* kControlProperty = "krtControl";

QColor toColor(ui::Color c) { return QColor(c.r, c.g, c.b); }

// The face a font name of the layouts stands for on this desktop.
QFont makeFont(const ui::Font& f) {
  const bool fixed = QString::fromStdString(f.name).compare("courier new", Qt::CaseInsensitive) == 0;
  QFont font(fixed ? "Courier New" : "MS Sans Serif");
  font.setStyleHint(fixed ? QFont::Monospace : QFont::SansSerif);
  font.setPointSizeF(f.size);
  font.setBold(f.bold);
  return font;
}

// Text boxes refuse characters the archive's code page cannot hold, rather
// than storing them as something else.
class Cp1252Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return cp1252::canEncode(input.toStdString()) ? Acceptable : Invalid;
  }
};

// The top-level window: hands the frame's close button to the logic.
template <typename Base>
class TopLevel : public Base {
 public:
  explicit TopLevel(QtWindow& w) : window_(w) {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (window_.platform().quitting()) {
      e->accept();
      return;
    }
    bool close = true;
    window_.platform().guarded([&] { close = window_.sink()->onCloseRequest(); });
    if (close) {
      e->accept();
      window_.platform().windowHidden(&window_);
    } else {
      e->ignore();
    }
  }

 private:
  QtWindow& window_;
};

// The layouts give buttons about the room their caption took with the
// fonts they were drawn for; a caption that would be cut gets a smaller font.
void fitCaption(QPushButton* b) {
  QFont f = b->font();
  while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(b->text()) > b->width() - 6)
    f.setPointSizeF(f.pointSizeF() - 0.25);
  b->setFont(f);
}

// A clickable label is a criterion the user chooses: screen readers see a
// check box, checked while the label shows the chosen (red) colour, that
// Space or the screen reader's action toggles.
class CriterionAccessible : public QAccessibleWidget {
 public:
  explicit CriterionAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::CheckBox) {
    addControllingSignal(QStringLiteral("destroyed()"));
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      const QString name = widget()->accessibleName();
      return name.isEmpty() ? static_cast<QLabel*>(widget())->text().trimmed() : name;
    }
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = widget()->palette().color(QPalette::Window) == QColor(255, 0, 0);
    return s;
  }
  QStringList actionNames() const override { return {toggleAction()}; }
  void doAction(const QString& action) override {
    if (action == toggleAction() || action == pressAction()) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
      QApplication::sendEvent(widget(), &press);
    }
  }
};

QAccessibleInterface* criterionFactory(const QString&, QObject* object) {
  auto* w = qobject_cast<QWidget*>(object);
  if (w && w->property("krtCriterion").toBool()) return new CriterionAccessible(w);
  return nullptr;
}

// A label that reports clicks (and Space, for keyboard users).
class ClickLabel : public QLabel {
 public:
  ClickLabel(QtControl*& control, QWidget* parent) : QLabel(parent), control_(control) {}

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    QLabel::mousePressEvent(e);
    if (control_) control_->raise(ui::Event::Click);
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Space && control_) {
      control_->raise(ui::Event::Click);
      return;
    }
    QLabel::keyPressEvent(e);
  }

 private:
  QtControl*& control_;
};

}  // namespace

// The lines of a list box as a Qt model: the view asks for the rows it
// draws, and only those are converted to QString.
class LineModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;
  const ui::LineStore& lines() const { return lines_; }
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    return toQ(lines_[static_cast<std::size_t>(index.row())]);
  }
  void setLines(ui::LineStore lines) {
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
  }
  void append(std::string_view line) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    lines_.add(line);
    endInsertRows();
  }

 private:
  ui::LineStore lines_;
};

namespace {

// A list of text lines whose entries are chosen by a click or by Enter.
//
// All its rows have the height of the first, so row r lies at r times that
// height. QListView does not use that: on every change of the model it walks
// all the rows to place them one below the other, which costs more than
// reading the lines did. Here placing a row is a multiplication and only the
// rows in sight are looked at; everything else (keys, selection, the screen
// reader's interface) is QListView's own.
class ChoiceList : public QListView {
 public:
  ChoiceList(QtControl*& control, QWidget* parent) : QListView(parent), control_(control) {
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerItem);  // whole rows: the scroll bar counts rows
    setHorizontalScrollMode(ScrollPerPixel);
  }

  QRect visualRect(const QModelIndex& index) const override {
    laidOut();
    if (!index.isValid() || index.column() != modelColumn() || index.parent() != rootIndex()) return {};
    return {-horizontalOffset(), index.row() * rowHeight() - verticalOffset(), rowWidth(), rowHeight()};
  }

  QModelIndex indexAt(const QPoint& point) const override {
    laidOut();
    const int y = point.y() + verticalOffset();
    if (y < 0 || point.x() + horizontalOffset() >= rowWidth()) return {};
    return rowIndex(y / rowHeight());
  }

  void scrollTo(const QModelIndex& index, ScrollHint hint) override {
    if (!index.isValid()) return;
    laidOut();  // the scroll bar's range of the lines as they are now
    const int row = index.row();
    const int inSight = rowsInSight();
    int top = verticalScrollBar()->value();
    switch (hint) {
      case PositionAtTop:
        top = row;
        break;
      case PositionAtBottom:
        top = row - inSight + 1;
        break;
      case PositionAtCenter:
        top = row - (inSight - 1) / 2;
        break;
      case EnsureVisible:
        if (row < top) {
          top = row;
        } else if (row >= top + inSight) {
          top = row - inSight + 1;
        }
        break;
    }
    verticalScrollBar()->setValue(top);
  }

  void doItemsLayout() override {
    // The size of the first row is the size of every row.
    const QModelIndex first = rowIndex(0);
    if (first.isValid()) {
      QStyleOptionViewItem option;
      initViewItemOption(&option);
      item_ = itemDelegateForIndex(first)->sizeHint(option, first);
    } else {
      item_ = {};
    }
    QAbstractItemView::doItemsLayout();
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      const QModelIndex current = currentIndex();
      if (current.isValid() && control_) {
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
        control_->raise(ui::Event::Click);
      }
      return;
    }
    QListView::keyPressEvent(e);
  }

  int horizontalOffset() const override { return horizontalScrollBar()->value(); }
  int verticalOffset() const override { return verticalScrollBar()->value() * rowHeight(); }

  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers) override {
    laidOut();
    const int count = rowCount();
    if (count == 0) return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return rowIndex(0);
    const int page = std::max(1, rowsInSight() - 1);
    int row = current.row();
    switch (action) {
      case MoveUp:
      case MovePrevious:
        --row;
        break;
      case MoveDown:
      case MoveNext:
        ++row;
        break;
      case MovePageUp:
        row -= page;
        break;
      case MovePageDown:
        row += page;
        break;
      case MoveHome:
        row = 0;
        break;
      case MoveEnd:
        row = count - 1;
        break;
      case MoveLeft:
      case MoveRight:
        break;  // one column
    }
    return rowIndex(std::clamp(row, 0, count - 1));
  }

  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override {
    laidOut();
    if (!selectionModel()) return;
    const QRect r = rect.normalized().translated(horizontalOffset(), verticalOffset());
    const int last = rowCount() - 1;
    const int top = std::max(0, r.top()) / rowHeight();
    const int bottom = r.bottom() < 0 ? -1 : std::min(last, r.bottom() / rowHeight());
    QItemSelection selection;
    if (top <= bottom && r.left() < rowWidth()) selection.select(rowIndex(top), rowIndex(bottom));
    selectionModel()->select(selection, command);
  }

  void updateGeometries() override {
    const int width = viewport()->width();
    QScrollBar* v = verticalScrollBar();
    v->setSingleStep(1);
    v->setPageStep(rowsInSight());
    v->setRange(0, std::max(0, rowCount() - rowsInSight()));
    QScrollBar* h = horizontalScrollBar();
    h->setSingleStep(std::max(1, item_.height()));
    h->setPageStep(width);
    h->setRange(0, std::max(0, item_.width() - width));
    QAbstractItemView::updateGeometries();
  }

  // QListView's own would place every row again when the height changes;
  // the scroll bars are all that a new size changes here.
  void resizeEvent(QResizeEvent* e) override { QAbstractItemView::resizeEvent(e); }
  void scrollContentsBy(int dx, int dy) override { QAbstractItemView::scrollContentsBy(dx, dy * rowHeight()); }

  void paintEvent(QPaintEvent* e) override {
    laidOut();
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    if (!isEnabled()) option.state &= ~QStyle::State_Enabled;
    option.palette.setCurrentColorGroup(!isEnabled() ? QPalette::Disabled
                                        : isActiveWindow() ? QPalette::Active
                                                           : QPalette::Inactive);
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QStyle::State state = option.state;
    const int first = std::max(0, (e->rect().top() + verticalOffset()) / rowHeight());
    const int last = std::min(rowCount() - 1, (e->rect().bottom() + verticalOffset()) / rowHeight());
    for (int row = first; row <= last; ++row) {
      const QModelIndex index = rowIndex(row);
      option.rect = visualRect(index);
      option.state = state;
      option.state.setFlag(QStyle::State_Selected, selectionModel() && selectionModel()->isSelected(index));
      option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
      itemDelegateForIndex(index)->paint(&painter, option, index);
    }
  }

  // QListView tells the screen reader which row became current or
  // selected by the place it gave the row; here that is the row's number.
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
      QAccessibleEvent event(this, QAccessible::Focus);
      event.setChild(current.row());
      QAccessible::updateAccessibility(&event);
    }
    QAbstractItemView::currentChanged(current, previous);
  }
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override {
    if (QAccessible::isActive()) {
      const auto tell = [this](const QItemSelection& rows, QAccessible::Event kind) {
        const QModelIndex index = rows.indexes().value(0);
        if (!index.isValid()) return;
        QAccessibleEvent event(this, kind);
        event.setChild(index.row());
        QAccessible::updateAccessibility(&event);
      };
      tell(selected, QAccessible::SelectionAdd);
      tell(deselected, QAccessible::SelectionRemove);
    }
    QAbstractItemView::selectionChanged(selected, deselected);
  }

 private:
  // The rows' size as the lines are now: a new model or font is measured
  // on the next turn of the event loop, and a click or a key may come first.
  void laidOut() const { const_cast<ChoiceList*>(this)->executeDelayedItemsLayout(); }
  int rowCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }
  int rowHeight() const { return std::max(1, item_.height()); }
  int rowWidth() const { return std::max(item_.width(), viewport()->width()); }
  int rowsInSight() const { return std::max(1, viewport()->height() / rowHeight()); }
  QModelIndex rowIndex(int row) const {
    return row >= 0 && row < rowCount() ? model()->index(row, modelColumn(), rootIndex()) : QModelIndex();
  }

  QtControl*& control_;
  QSize item_;  // the size of every row, from the first
};

// A combo box that the mouse wheel steps only while it has the keyboard
// focus: a wheel turned to scroll the window over a closed combo box must not
// pick an item, and with it a criterion or a field's value, unseen. Without
// the focus the wheel goes on to the widgets under the combo box.
class ComboBox : public QComboBox {
 public:
  explicit ComboBox(QWidget* parent) : QComboBox(parent) { setFocusPolicy(Qt::StrongFocus); }

 protected:
  void wheelEvent(QWheelEvent* e) override {
    if (hasFocus()) {
      QComboBox::wheelEvent(e);
      return;
    }
    // Handed on here rather than ignored: Qt propagates only the wheel events
    // of the window system, and so a forwarded one reaches its target too.
    QPointF at = e->position();
    for (QWidget* w = this; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
      at = w->mapToParent(at);
      QWheelEvent onParent(at, e->globalPosition(), e->pixelDelta(), e->angleDelta(), e->buttons(), e->modifiers(),
                           e->phase(), e->inverted(), e->source(), e->pointingDevice());
      QCoreApplication::sendEvent(w->parentWidget(), &onParent);
      if (onParent.isAccepted()) break;
    }
    e->accept();  // handled: Qt does not hand it on a second time
  }
};

// The rows of a table control as the core holds them (cp1252 cells),
// converted only for the cells the view shows.
class RowsModel : public QAbstractTableModel {
 public:
  RowsModel(QStringList headings, QObject* parent) : QAbstractTableModel(parent), headings_(std::move(headings)) {}

  void setRows(std::vector<std::vector<std::string>> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
  }
  const std::vector<std::vector<std::string>>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : headings_.size(); }
  QVariant data(const QModelIndex& index, int role) const override {
    const auto& cells = rows_[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<std::size_t>(index.column());
    const std::string& text = column < cells.size() ? cells[column] : empty_;
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return toQ(text);
    // Counts line up on the right.
    if (role == Qt::TextAlignmentRole) {
      const bool number = !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos;
      return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    return {};
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < headings_.size())
      return headings_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
  }

 private:
  QStringList headings_;
  std::vector<std::vector<std::string>> rows_;
  std::string empty_;
};

// A read-only table whose rows are activated by a double click or by Enter.
class RowsTable : public QTableView {
 public:
  RowsTable(QtControl*& control, QWidget* parent) : QTableView(parent), control_(control) {
    connect(this, &QTableView::doubleClicked, this, [this] { activate(); });
  }
  RowsModel* rows() const { return static_cast<RowsModel*>(model()); }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && currentIndex().isValid()) {
      activate();
      return;
    }
    QTableView::keyPressEvent(e);
  }

 private:
  void activate() {
    if (control_) control_->raise(ui::Event::Click);
  }
  QtControl*& control_;
};

RowsTable* tableOf(QWidget* w) { return dynamic_cast<RowsTable*>(w); }

}  // namespace

// ---- QtControl -------------------------------------------------------------------

QtControl::QtControl(QtWindow& window, const ui::ControlDesc& desc, QWidget* widget)
    : window_(window), desc_(desc), widget_(widget), back_(desc.backColor.value_or(ui::kWhite)) {
  if (auto* view = qobject_cast<QListView*>(widget)) lines_ = dynamic_cast<LineModel*>(view->model());
  widget->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(this)));
}

QtControl::~QtControl() {
  if (widget_) widget_->setProperty(kControlProperty, QVariant());
}

void QtControl::raise(ui::Event event) {
  auto* sink = window_.sink();
  if (!sink) return;
  const std::string name = desc_.name;
  window_.platform().guarded([&] { sink->onEvent(name, event); });
}

std::string QtControl::text() const {
  if (auto* e = qobject_cast<QLineEdit*>(widget_)) return fromQ(e->text());
  if (auto* c = qobject_cast<QComboBox*>(widget_)) return fromQ(c->currentText());
  if (auto* l = qobject_cast<QLabel*>(widget_)) return fromQ(l->text());
  if (auto* b = qobject_cast<QPushButton*>(widget_)) return fromQ(b->text());
  return {};
}

void QtControl::setText(std::string_view text) {
  const QString t = toQ(text);
  if (auto* e = qobject_cast<QLineEdit*>(widget_)) {
    e->setText(t);
  } else if (auto* c = qobject_cast<QComboBox*>(widget_)) {
    c->setEditText(t);
  } else if (auto* l = qobject_cast<QLabel*>(widget_)) {
    l->setText(t);
  } else if (auto* b = qobject_cast<QPushButton*>(widget_)) {
    b->setText(t);
  }
}

void QtControl::clearItems() {
  if (auto* c = qobject_cast<QComboBox*>(widget_)) {
    c->clear();
    c->clearEditText();
  } else if (LineModel* m = lines_) {
    m->setLines({});
  } else if (auto* t = tableOf(widget_)) {
    t->rows()->setRows({});
  }
}

void QtControl::setRows(std::vector<std::vector<std::string>> rows) {
  if (auto* t = tableOf(widget_)) t->rows()->setRows(std::move(rows));
}

std::string QtControl::cell(int row, int column) const {
  if (auto* t = tableOf(widget_)) {
    const auto& rows = t->rows()->rows();
    if (row >= 0 && static_cast<std::size_t>(row) < rows.size() && column >= 0 &&
        static_cast<std::size_t>(column) < rows[static_cast<std::size_t>(row)].size())
      return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  return {};
}

void QtControl::addItem(std::string_view item) {
  if (auto* c = qobject_cast<QComboBox*>(widget_)) {
    // Adding to an empty editable combo box would show the item as its text.
    const QString keep = c->currentText();
    c->addItem(toQ(item));
    if (c->count() == 1) {
      c->setCurrentIndex(-1);
      c->setEditText(keep);
    }
  } else if (LineModel* m = lines_) {
    m->append(item);
  }
}

void QtControl::setItems(ui::LineStore lines) {
  if (LineModel* m = lines_) {
    m->setLines(std::move(lines));
  } else {
    clearItems();
    for (std::size_t i = 0; i < lines.size(); ++i) addItem(lines[i]);
  }
}

const ui::LineStore& QtControl::lines() const {
  static const ui::LineStore none;
  return lines_ ? lines_->lines() : none;
}

QAbstractItemView* QtControl::listView() const { return lines_ ? qobject_cast<QAbstractItemView*>(widget_) : nullptr; }

int QtControl::itemCount() const {
  if (auto* c = qobject_cast<QComboBox*>(widget_)) return c->count();
  if (LineModel* m = lines_) return m->rowCount();
  if (auto* t = tableOf(widget_)) return static_cast<int>(t->rows()->rows().size());
  return 0;
}

std::string QtControl::item(int index) const {
  if (auto* c = qobject_cast<QComboBox*>(widget_)) return fromQ(c->itemText(index));
  if (LineModel* m = lines_) {
    if (index >= 0 && index < m->rowCount()) return std::string(m->lines()[static_cast<std::size_t>(index)]);
  }
  if (auto* t = tableOf(widget_)) {
    // A row reads as its cells separated by tabs.
    std::string row;
    for (int c = 0; c < t->rows()->columnCount({}); ++c) {
      if (c) row += '\t';
      row += cell(index, c);
    }
    return row;
  }
  return {};
}

int QtControl::listIndex() const {
  if (auto* c = qobject_cast<QComboBox*>(widget_)) return c->currentIndex();
  if (QAbstractItemView* l = listView()) {
    const QModelIndex current = l->currentIndex();
    return current.isValid() && l->selectionModel()->isSelected(current) ? current.row() : -1;
  }
  if (auto* t = tableOf(widget_)) return t->currentIndex().isValid() ? t->currentIndex().row() : -1;
  return -1;
}

void QtControl::setListIndex(int index) {
  if (auto* c = qobject_cast<QComboBox*>(widget_)) {
    c->setCurrentIndex(index);
  } else if (QAbstractItemView* l = listView()) {
    // The entry becomes the current one and the only one selected.
    l->setCurrentIndex(lines_->index(index, 0));
    raise(ui::Event::Click);  // as the user's choice does
  } else if (auto* t = tableOf(widget_)) {
    t->setCurrentIndex(t->model()->index(index, 0));
  }
}

int QtControl::topIndex() const {
  if (QAbstractItemView* l = listView()) {
    const auto index = l->indexAt(QPoint(2, 2));
    return index.isValid() ? index.row() : 0;
  }
  return 0;
}

void QtControl::setTopIndex(int index) {
  if (QAbstractItemView* l = listView()) {
    if (index >= 0 && index < lines_->rowCount()) l->scrollTo(lines_->index(index, 0), QAbstractItemView::PositionAtTop);
  }
}

bool QtControl::visible() const { return visible_; }

void QtControl::setVisible(bool visible) {
  visible_ = visible;
  widget_->setVisible(visible);
}

void QtControl::setBackColor(ui::Color color) {
  const bool changed = !(back_ == color);
  back_ = color;
  QPalette pal = widget_->palette();
  pal.setColor(QPalette::Window, toColor(color));
  widget_->setPalette(pal);
  widget_->setAutoFillBackground(true);
  widget_->update();
  if (changed && desc_.clickable && QAccessible::isActive()) {
    QAccessible::State s;
    s.checked = true;
    QAccessibleStateChangeEvent event(widget_, s);
    QAccessible::updateAccessibility(&event);
  }
}

std::string QtControl::fontName() const {
  const QString family = widget_->font().family();
  return family.toStdString();
}

void QtControl::setFontName(std::string_view name) {
  ui::Font f{std::string(name), widget_->font().pointSizeF(), widget_->font().bold()};
  widget_->setFont(makeFont(f));
}

double QtControl::fontSize() const { return widget_->font().pointSizeF(); }

void QtControl::setFontSize(double size) {
  QFont f = widget_->font();
  f.setPointSizeF(size);
  widget_->setFont(f);
}

std::string QtControl::toolTip() const { return fromQ(widget_->toolTip()); }

void QtControl::setToolTip(std::string_view tip) {
  widget_->setToolTip(toQ(tip));
  if (desc_.kind == ui::Kind::StatusPanel) widget_->setAccessibleDescription(toQ(tip));
}

// ---- QtWindow ----------------------------------------------------------------------

QtWindow::QtWindow(QtPlatform& platform, const ui::WindowDesc& desc, ui::EventSink& sink)
    : platform_(platform), desc_(desc), sink_(&sink) {
  QWidget* client = nullptr;
  if (!desc_.menu.empty()) {
    auto* mw = new TopLevel<QMainWindow>(*this);
    client = new QWidget(mw);
    mw->setCentralWidget(client);
    top_ = mw;
    buildMenu(mw);
  } else {
    top_ = new TopLevel<QWidget>(*this);
    client = top_;
  }
  top_->setObjectName(QString::fromStdString(desc_.name));
  top_->setWindowTitle(toQ(desc_.caption));
  top_->setFont(makeFont(desc_.font));
  client->setFixedSize(px(desc_.width), px(desc_.height));

  // Containers first (tab pages), then the controls inside them.
  std::map<std::string, QWidget*> containers{{"", client}};
  for (const auto& c : desc_.controls) {
    const auto it = containers.find(c.container);
    QWidget* parent = it != containers.end() ? it->second : client;
    auto* mainWindow = qobject_cast<QMainWindow*>(top_);
    if (c.kind == ui::Kind::StatusPanel && mainWindow) parent = mainWindow->statusBar();
    QWidget* w = buildControl(c, parent);
    if (c.kind == ui::Kind::StatusPanel) {
      // The bar goes under the client area: the window grows by its height.
      auto* bar = static_cast<QStatusBar*>(parent);
      bar->setSizeGripEnabled(false);
      w->setMinimumWidth(px(c.width));
      bar->addPermanentWidget(w, c.width == 0 ? 1 : 0);
    }
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) containers[c.name + "/" + std::to_string(i)] = tabs->widget(i);
    }
  }
  // Keyboard focus in reading order (or the order the layout gives).
  std::vector<QWidget*> order;
  if (!desc_.tabOrder.empty()) {
    for (const auto& name : desc_.tabOrder) {
      if (hasControl(name)) order.push_back(controls_.find(name)->second->widget());
    }
  } else {
    for (const auto& c : desc_.controls) {
      QWidget* w = controls_.at(c.name)->widget();
      if (w->focusPolicy() != Qt::NoFocus) order.push_back(w);
    }
  }
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
  if (!order.empty()) firstFocus_ = order.front();
  nameForScreenReaders();
  bindKeys();
  if (client != top_) top_->setFixedSize(top_->sizeHint());
  if (QMainWindow* mw = qobject_cast<QMainWindow*>(top_)) mw->adjustSize();
}

QtWindow::~QtWindow() {
  sink_ = nullptr;
  platform_.forget(this);
  controls_.clear();
  if (top_) {
    top_->hide();
    top_->deleteLater();
  }
}

QWidget* QtWindow::buildControl(const ui::ControlDesc& c, QWidget* parent) {
  QWidget* w = nullptr;
  auto* holder = new QtControl*(nullptr);  // filled in below; owned by the widget
  switch (c.kind) {
    case ui::Kind::Label: {
      auto* l = new ClickLabel(*holder, parent);
      if (c.clickable) {
        // Before anything asks for the label's accessible interface.
        static const bool installed = [] {
          QAccessible::installFactory(criterionFactory);
          return true;
        }();
        (void)installed;
        l->setProperty("krtCriterion", true);
        l->setCursor(Qt::PointingHandCursor);
        l->setFocusPolicy(Qt::StrongFocus);
      }
      l->setText(toQ(c.caption));
      l->setTextFormat(Qt::PlainText);
      QPalette pal = l->palette();
      if (c.foreColor) pal.setColor(QPalette::WindowText, toColor(*c.foreColor));
      if (c.highlightText) pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
      l->setPalette(pal);
      w = l;
      break;
    }
    case ui::Kind::TextBox: {
      auto* e = new QLineEdit(parent);
      if (c.maxLength > 0) e->setMaxLength(c.maxLength);
      e->setValidator(new Cp1252Validator(e));
      QObject::connect(e, &QLineEdit::textEdited, e, [holder] {
        if (*holder) (*holder)->raise(ui::Event::Change);
      });
      w = e;
      break;
    }
    case ui::Kind::ComboBox: {
      auto* cb = new ComboBox(parent);
      cb->setEditable(true);
      cb->setInsertPolicy(QComboBox::NoInsert);
      cb->setCompleter(nullptr);
      cb->setMaxVisibleItems(20);
      cb->lineEdit()->setValidator(new Cp1252Validator(cb));
      QObject::connect(cb, &QComboBox::activated, cb, [holder] {
        if (*holder) (*holder)->raise(ui::Event::Click);
      });
      QObject::connect(cb->lineEdit(), &QLineEdit::textEdited, cb, [holder] {
        if (*holder) (*holder)->raise(ui::Event::Change);
      });
      w = cb;
      break;
    }
    case ui::Kind::ListBox: {
      auto* l = new ChoiceList(*holder, parent);
      l->setModel(new LineModel(l));
      l->setSelectionMode(QAbstractItemView::SingleSelection);
      l->setEditTriggers(QAbstractItemView::NoEditTriggers);
      QObject::connect(l, &QAbstractItemView::clicked, l, [holder] {
        if (*holder) (*holder)->raise(ui::Event::Click);
      });
      w = l;
      break;
    }
    case ui::Kind::Button: {
      auto* b = new QPushButton(toQ(c.caption), parent);
      b->setAutoDefault(false);
      // The layouts give buttons just the room of their caption.
      b->setStyleSheet("QPushButton { padding: 0px 1px; }");
      QObject::connect(b, &QPushButton::clicked, b, [holder] {
        if (*holder) (*holder)->raise(ui::Event::Click);
      });
      w = b;
      break;
    }
    case ui::Kind::TabControl: {
      auto* tabs = new QTabWidget(parent);
      for (const auto& page : QString::fromStdString(cp1252::toUtf8(c.caption)).split('|'))
        tabs->addTab(new QWidget(tabs), page);
      w = tabs;
      break;
    }
    case ui::Kind::Table: {
      auto* t = new RowsTable(*holder, parent);
      t->setModel(new RowsModel(toQ(c.caption).split('|'), t));
      t->setEditTriggers(QAbstractItemView::NoEditTriggers);
      t->setSelectionBehavior(QAbstractItemView::SelectRows);
      t->setSelectionMode(QAbstractItemView::SingleSelection);
      t->setTabKeyNavigation(false);  // Tab leaves the table for the next control
      t->verticalHeader()->setVisible(false);
      t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 4);
      t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
      t->horizontalHeader()->setHighlightSections(false);
      w = t;
      break;
    }
    case ui::Kind::StatusPanel: {
      auto* l = new QLabel(parent);
      l->setTextFormat(Qt::PlainText);
      l->setText(toQ(c.caption));
      w = l;
      break;
    }
    case ui::Kind::Line: {
      auto* line = new QWidget(parent);
      line->setAutoFillBackground(true);
      QPalette pal = line->palette();
      pal.setColor(QPalette::Window, toColor(c.foreColor.value_or(ui::kBlack)));
      line->setPalette(pal);
      const int x1 = px(c.left), y1 = px(c.top), x2 = px(c.left + c.width), y2 = px(c.top + c.height);
      line->setGeometry(std::min(x1, x2), std::min(y1, y2), std::max(1, std::abs(x2 - x1)),
                        std::max(1, std::abs(y2 - y1)));
      w = line;
      break;
    }
  }
  w->setObjectName(QString::fromStdString(c.name));
  // Twips are 1/1440 inch, and QWidget geometry is at 96 DPI here: 15 twips a pixel.
  if (c.kind != ui::Kind::Line && c.kind != ui::Kind::StatusPanel)
    w->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
  if (!c.font.name.empty()) w->setFont(makeFont(c.font));
  if (auto* b = qobject_cast<QPushButton*>(w)) fitCaption(b);
  if (!c.hint.empty()) w->setToolTip(toQ(c.hint));
  auto control = std::make_unique<QtControl>(*this, c, w);
  *holder = control.get();
  QObject::connect(w, &QObject::destroyed, [holder] { delete holder; });
  if (c.backColor) control->setBackColor(*c.backColor);
  controls_[c.name] = std::move(control);
  return w;
}

// Every control gets the name a screen reader announces (its label's
// caption, or its own description) and its hint as the description.
// Keys that click a control: its own shortcut, and Enter in a text box.
void QtWindow::bindKeys() {
  for (const auto& c : desc_.controls) {
    QtControl* control = controls_.at(c.name).get();
    if (!c.shortcut.empty()) {
      auto* sc = new QShortcut(QKeySequence(QString::fromStdString(c.shortcut)), top_);
      QObject::connect(sc, &QShortcut::activated, sc, [control] { control->raise(ui::Event::Click); });
    }
    if (!c.enterClicks.empty() && hasControl(c.enterClicks)) {
      if (auto* edit = qobject_cast<QLineEdit*>(control->widget())) {
        QtControl* target = controls_.at(c.enterClicks).get();
        QObject::connect(edit, &QLineEdit::returnPressed, edit, [target] { target->raise(ui::Event::Click); });
      }
    }
  }
}

void QtWindow::nameForScreenReaders() {
  for (const auto& c : desc_.controls) {
    QWidget* w = controls_.at(c.name)->widget();
    std::string name = c.accessibleName;
    if (!c.labelledBy.empty() && hasControl(c.labelledBy)) name = control(c.labelledBy).text();
    if (name.empty() && (c.kind == ui::Kind::Label || c.kind == ui::Kind::Button)) name = c.caption;
    const QString accessible = toQ(name).trimmed();
    if (!accessible.isEmpty()) w->setAccessibleName(accessible);
    if (!c.hint.empty()) w->setAccessibleDescription(toQ(c.hint));
    if (auto* cb = qobject_cast<QComboBox*>(w); cb && cb->lineEdit()) {
      cb->lineEdit()->setAccessibleName(accessible);
      cb->lineEdit()->setAccessibleDescription(w->accessibleDescription());
    }
  }
}

namespace {

// The caption with a mnemonic on its first letter not yet taken among its
// siblings (Alt+F for "File"); the caption shown stays the same.
QString withMnemonic(const QString& caption, QString& taken) {
  for (int i = 0; i < caption.size(); ++i) {
    const QChar c = caption[i].toLower();
    if (c.isLetter() && !taken.contains(c)) {
      taken += c;
      return caption.left(i) + "&" + caption.mid(i);
    }
  }
  return caption;
}

}  // namespace

void QtWindow::buildMenu(QWidget* mainWindow) {
  auto* bar = static_cast<QMainWindow*>(mainWindow)->menuBar();
  const auto connectAction = [this](QAction* a, const ui::MenuDesc& m) {
    a->setObjectName(QString::fromStdString(m.name));
    if (!m.shortcut.empty()) a->setShortcut(QKeySequence(QString::fromStdString(m.shortcut)));
    QObject::connect(a, &QAction::triggered, a, [this, name = m.name] {
      if (!sink_) return;
      platform_.guarded([&] { sink_->onEvent(name, ui::Event::Click); });
    });
  };
  QString takenOnBar;
  for (const auto& m : desc_.menu) {
    const QString caption = withMnemonic(toQ(m.caption), takenOnBar);
    if (m.items.empty()) {
      // A command on the menu bar itself.
      QAction* a = bar->addAction(caption);
      connectAction(a, m);
      continue;
    }
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromStdString(m.name));
    QString takenInMenu;
    for (const auto& item : m.items) connectAction(menu->addAction(withMnemonic(toQ(item.caption), takenInMenu)), item);
  }
}

ui::Control& QtWindow::control(std::string_view name) {
  const auto it = controls_.find(name);
  if (it == controls_.end()) throw std::out_of_range("no control " + std::string(name) + " in " + desc_.name);
  return *it->second;
}

bool QtWindow::hasControl(std::string_view name) const { return controls_.find(name) != controls_.end(); }

QtControl* QtWindow::controlOf(QObject* object) const {
  for (QObject* o = object; o; o = o->parent()) {
    const QVariant v = o->property(kControlProperty);
    if (v.isValid()) {
      auto* c = static_cast<QtControl*>(v.value<void*>());
      for (const auto& [name, ctl] : controls_) {
        if (ctl.get() == c) return c;
      }
      return nullptr;
    }
    if (o == top_) return nullptr;
  }
  return nullptr;
}

void QtWindow::show() {
  top_->show();
  // Keyboard users start at the first control of the reading order.
  if (!top_->focusWidget() && firstFocus_) firstFocus_->setFocus(Qt::TabFocusReason);
  top_->raise();
  top_->activateWindow();
  platform_.windowShown(this);
}

void QtWindow::hide() {
  top_->hide();
  platform_.windowHidden(this);
}

bool QtWindow::isVisible() const { return top_ && top_->isVisible(); }

void QtWindow::setCaption(std::string_view caption) { top_->setWindowTitle(toQ(caption)); }

void QtWindow::setFocus(std::string_view name) {
  if (auto* c = dynamic_cast<QtControl*>(&control(name))) c->widget()->setFocus(Qt::OtherFocusReason);
}

}  // namespace krt::qt
