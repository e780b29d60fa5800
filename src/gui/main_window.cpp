#include "gui/main_window.h"

#include "core/control_ids.h"
#include "gui/fitted_button.h"
#include "gui/line_list.h"
#include "gui/preview_box.h"
#include "gui/program_icon.h"
#include "gui/up_down.h"
#include "program/preview/frame_preview.h"
#include "program/program.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <cmath>
#include <optional>

namespace mivo {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The fixed-pitch font of the listings: "Courier New" where it is installed, else the platform's own.
// Looked up once: the font database scan is the dearest step of building the pages.
QFont listingFont() {
    static const QFont font = [] {
        QFont f("Courier New", 8);
        f.setStyleHint(QFont::TypeWriter);
        if (!QFontInfo(f).fixedPitch()) {
            f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            f.setPointSize(8);
        }
        return f;
    }();
    return font;
}

// Static texts and the status line are labels.
QLabel* createLabel(const ControlTemplate& t, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    // Notes of several lines wrap; the status line breaks only where its text holds a line feed.
    l->setWordWrap((t.flags & kMultiLine) != 0 && (t.flags & kSunken) == 0);
    l->setAlignment(((t.flags & kRightAlign) ? Qt::AlignRight : Qt::AlignLeft) |
                    ((t.flags & kMultiLine) ? Qt::AlignTop : Qt::AlignVCenter));
    if (t.flags & kSunken) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setMargin(2);
    }
    return l;
}

// The widget of one template control; none for the tab control, which the window holds itself.
QWidget* createWidget(const Control& c, QWidget* parent) {
    const ControlTemplate& t = *c.tpl;
    switch (c.kind) {
    case ControlKind::Button:
        return new FittedButton(parent);
    case ControlKind::CheckBox:
        return new QCheckBox(parent);
    case ControlKind::Radio: {
        auto* r = new QRadioButton(parent);
        r->setAutoExclusive(false); // the model keeps each group exclusive
        return r;
    }
    case ControlKind::Edit: {
        auto* e = new QLineEdit(parent);
        e->setReadOnly((t.flags & kReadOnly) != 0);
        if (t.flags & kDigitsOnly)
            e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
        return e;
    }
    case ControlKind::Static:
        return createLabel(t, parent);
    case ControlKind::Picture:
        return new PreviewBox(parent);
    case ControlKind::GroupBox:
        return new QGroupBox(parent);
    case ControlKind::ListBox: {
        auto* l = new LineListView(c, parent);
        if (t.flags & kMonospace) l->setFont(listingFont());
        return l;
    }
    case ControlKind::ComboBox:
        return new QComboBox(parent);
    case ControlKind::UpDown:
        return new UpDown((t.flags & kVertical) != 0 || t.h >= t.w, parent);
    case ControlKind::Trackbar: {
        auto* s = new QSlider((t.flags & kVertical) ? Qt::Vertical : Qt::Horizontal, parent);
        s->setTickPosition(QSlider::TicksBelow);
        return s;
    }
    case ControlKind::Tab:
        break;
    }
    return nullptr;
}

// List and combo boxes: their lines, then the selection.
void mirrorLines(QWidget* w, const Control& c, Change what) {
    if (c.kind == ControlKind::ListBox) {
        auto* l = static_cast<LineListView*>(w);
        if (what == Change::Items) l->mirrorLines(c);
        if (what == Change::Selected) l->mirrorSelection(c);
        if (what == Change::Extent) l->mirrorExtent(c);
        return;
    }
    auto* cb = static_cast<QComboBox*>(w);
    if (what == Change::Items) {
        cb->clear();
        for (const std::string& item : c.items)
            cb->addItem(q(item));
    }
    if (what == Change::Items || what == Change::Selected) cb->setCurrentIndex(c.selected);
}

// Up-down controls and trackbars: their range, then the position.
void mirrorPosition(QWidget* w, const Control& c, Change what) {
    if (c.kind == ControlKind::UpDown) {
        auto* u = static_cast<UpDown*>(w);
        if (what == Change::Range) u->setRange(c.rangeMin, c.rangeMax);
        if (what == Change::Pos || what == Change::Range) u->setPosition(c.pos);
        return;
    }
    auto* s = static_cast<QSlider*>(w);
    if (what == Change::Range) s->setRange(c.rangeMin, c.rangeMax);
    if (what == Change::Pos || what == Change::Range) s->setValue(c.pos);
}

} // namespace

int MainWindow::listingCharWidth() {
    return QFontMetrics(listingFont()).averageCharWidth();
}

MainWindow::MainWindow(Program& program, bool trackFocus) : program_(program) {
    // Dialog units follow the font, as in a dialog template: a quarter of the average character width
    // across, an eighth of the character height down.
    const QFontMetrics fm(font());
    const QString sample = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    unitX_ = fm.horizontalAdvance(sample) / 52.0 / 4.0;
    unitY_ = fm.height() / 8.0;

    const PageTemplate& win = pageTemplates()[0];
    setWindowTitle(q(std::string(win.title)));
    setWindowIcon(programIcon());
    setFixedSize(toPixels(0, 0, win.width, win.height).size());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    pages_[0] = this;

    for (const Control* c : program_.controls().controls(PageId::Window)) {
        QWidget* w = nullptr;
        if (c->kind == ControlKind::Tab) {
            tabs_ = new QTabWidget(this);
            w = tabs_;
            const QRect r = toPixels(c->tpl->x, c->tpl->y, c->tpl->w, c->tpl->h);
            tabs_->setGeometry(r);
            for (int i = 1; i < kPageCount; ++i) {
                const PageTemplate& pt = pageTemplates()[static_cast<std::size_t>(i)];
                QWidget* page = new QWidget();
                page->setObjectName(q("page" + std::to_string(pt.dialogId)));
                pages_[i] = page;
                tabs_->addTab(page, q(std::string(pt.title)));
            }
            connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
                ensurePageBuilt(index + 1);
                program_.controls().userSelect(PageId::Window, ids::window::tabs, index);
            });
        } else {
            w = makeWidget(*c, this);
        }
        if (w && c->id != 0) {
            widgets_[{0, c->id}] = w;
            ids_[w] = {PageId::Window, c->id};
        }
    }

    ensurePageBuilt(tabs_ ? tabs_->currentIndex() + 1 : 1);
    program_.controls().setObserver([this](const Control& c, Change what) { mirror(c, what); });

    if (trackFocus) {
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            auto it = ids_.find(now);
            if (it == ids_.end()) return;
            program_.controls().focusSeen(it->second);
        });
    }
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    // Closing the window moves the focus once more, after this object's maps are gone and before the
    // connection would end by itself.
    disconnect(qApp, nullptr, this, nullptr);
    program_.controls().setObserver(nullptr);
}

QRect MainWindow::toPixels(int x, int y, int w, int h) const {
    auto px = [](double v) { return static_cast<int>(std::lround(v)); };
    return QRect(px(x * unitX_), px(y * unitY_), px(w * unitX_), px(h * unitY_));
}

QWidget* MainWindow::widget(PageId page, int id) const {
    auto it = widgets_.find({static_cast<int>(page), id});
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* MainWindow::pageWidget(PageId page) const {
    return pages_[static_cast<int>(page)];
}

// A page's widgets are made when the page is first shown: the model holds every control from the
// start, so nothing is lost, and start-up pays only for the page the user sees.
void MainWindow::ensurePageBuilt(int pageIndex) {
    if (pageIndex < 1 || pageIndex >= kPageCount || built_[pageIndex]) return;
    built_[pageIndex] = true;
    buildPage(static_cast<PageId>(pageIndex), pages_[pageIndex]);
}

void MainWindow::buildPage(PageId page, QWidget* parent) {
    // Group boxes first, so the controls they frame are drawn above them.
    const auto controls = program_.controls().controls(page);
    for (int pass = 0; pass < 2; ++pass) {
        for (const Control* c : controls) {
            if ((c->kind == ControlKind::GroupBox) != (pass == 0)) continue;
            QWidget* w = makeWidget(*c, parent);
            if (w && c->id != 0) {
                widgets_[{static_cast<int>(page), c->id}] = w;
                ids_[w] = {page, c->id};
            }
        }
    }
}

QWidget* MainWindow::makeWidget(const Control& c, QWidget* parent) {
    QWidget* w = createWidget(c, parent);
    if (!w) return nullptr;
    const ControlTemplate& t = *c.tpl;
    w->setGeometry(toPixels(t.x, t.y, t.w, t.h));
    if (c.id != 0) w->setObjectName(QString::number(c.id));
    applyAll(c, w);
    connectWidget(c, w);
    return w;
}

void MainWindow::connectWidget(const Control& c, QWidget* w) {
    ControlModel& model = program_.controls();
    const PageId page = c.page;
    const int id = c.id;
    if (id == 0) return;
    switch (c.kind) {
    case ControlKind::Button:
        connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this,
                [&model, page, id] { model.userClick(page, id); });
        break;
    case ControlKind::CheckBox:
    case ControlKind::Radio: {
        auto* b = static_cast<QAbstractButton*>(w);
        connect(b, &QAbstractButton::clicked, this, [&model, b, page, id] {
            // The model decides the new state (a radio stays on, a check box flips) and tells the widget.
            {
                const QSignalBlocker block(b);
                b->setChecked(model.checked(page, id));
            }
            model.userClick(page, id);
        });
        break;
    }
    case ControlKind::Edit:
        connect(static_cast<QLineEdit*>(w), &QLineEdit::textEdited, this,
                [&model, page, id](const QString& text) { model.userType(page, id, text.toStdString()); });
        break;
    case ControlKind::ListBox:
        connect(static_cast<LineListView*>(w), &LineListView::rowChosen, this,
                [&model, page, id](int row) { model.userSelect(page, id, row); });
        break;
    case ControlKind::ComboBox:
        connect(static_cast<QComboBox*>(w), &QComboBox::activated, this,
                [&model, page, id](int index) { model.userSelect(page, id, index); });
        break;
    case ControlKind::UpDown:
        connect(static_cast<UpDown*>(w), &UpDown::stepped, this,
                [&model, page, id](int pos) { model.userSpin(page, id, pos); });
        break;
    case ControlKind::Trackbar:
        connect(static_cast<QSlider*>(w), &QSlider::valueChanged, this,
                [&model, page, id](int pos) { model.userSlide(page, id, pos); });
        break;
    default:
        break;
    }
}

void MainWindow::applyAll(const Control& c, QWidget* w) {
    for (Change what : {Change::Range, Change::Items, Change::Text, Change::Checked, Change::Pos,
                        Change::Selected, Change::Enabled, Change::Visible, Change::Extent, Change::Picture})
        mirrorTo(w, c, what);
}

void MainWindow::mirror(const Control& c, Change what) {
    QWidget* w = c.page == PageId::Window && c.kind == ControlKind::Tab ? tabs_ : widget(c.page, c.id);
    if (w) mirrorTo(w, c, what);
}

void MainWindow::mirrorTo(QWidget* w, const Control& c, Change what) {
    const QSignalBlocker block(w);
    if (what == Change::Enabled || what == Change::Visible) {
        if (what == Change::Enabled) w->setEnabled(c.enabled);
        if (what == Change::Visible) w->setVisible(c.visible);
        return;
    }
    switch (c.kind) {
    case ControlKind::Button:
        if (what == Change::Text) static_cast<FittedButton*>(w)->setFullText(q(c.text));
        break;
    case ControlKind::CheckBox:
    case ControlKind::Radio: {
        auto* b = static_cast<QAbstractButton*>(w);
        if (what == Change::Text) b->setText(q(c.text));
        if (what == Change::Checked) b->setChecked(c.checked);
        break;
    }
    case ControlKind::Edit: {
        auto* e = static_cast<QLineEdit*>(w);
        if (what == Change::Text && e->text().toStdString() != c.text) e->setText(q(c.text));
        break;
    }
    case ControlKind::Static:
        if (what == Change::Text) static_cast<QLabel*>(w)->setText(q(c.text));
        break;
    case ControlKind::Picture:
        if (what == Change::Picture) static_cast<PreviewBox*>(w)->setImage(c.picture);
        break;
    case ControlKind::GroupBox:
        if (what == Change::Text) static_cast<QGroupBox*>(w)->setTitle(q(c.text));
        break;
    case ControlKind::ListBox:
    case ControlKind::ComboBox:
        mirrorLines(w, c, what);
        break;
    case ControlKind::UpDown:
    case ControlKind::Trackbar:
        mirrorPosition(w, c, what);
        break;
    case ControlKind::Tab:
        mirrorTabs(c, what);
        break;
    }
}

void MainWindow::mirrorTabs(const Control& c, Change what) {
    if (what == Change::Selected && c.selected >= 0) {
        ensurePageBuilt(c.selected + 1);
        tabs_->setCurrentIndex(c.selected);
    }
    if (what == Change::Items)
        for (int i = 0; i < tabs_->count() && i < static_cast<int>(c.items.size()); ++i) {
            // Each new label lays the tab bar out again; start-up names the tabs they already have.
            const QString label = q(c.items[static_cast<std::size_t>(i)]);
            if (tabs_->tabText(i) != label) tabs_->setTabText(i, label);
        }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!program_.quitPosted()) program_.closeRequested();
    event->accept();
}

// Sees every event of the application before its receiver does (the window installs itself as the
// application's filter). A redraw a switch to a preview page left pending is served at the next mouse
// press anywhere; the preview pages' navigation keys are taken here, before a button or the page sees them.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && program_.previewRedrawPending())
        program_.servePreviewRedraw();
    if (event->type() == QEvent::KeyPress && previewKey(watched, static_cast<QKeyEvent*>(event))) return true;
    return QWidget::eventFilter(watched, event);
}

namespace {

std::optional<PreviewKey> previewKeyOf(const QKeyEvent& event) {
    if (event.modifiers() & ~Qt::KeypadModifier) return std::nullopt;
    switch (event.key()) {
    case Qt::Key_Left:
        return PreviewKey::StepBack;
    case Qt::Key_Right:
        return PreviewKey::StepForward;
    case Qt::Key_PageUp:
        return PreviewKey::LargeBack;
    case Qt::Key_PageDown:
        return PreviewKey::LargeForward;
    case Qt::Key_Home:
        return PreviewKey::First;
    case Qt::Key_End:
        return PreviewKey::Last;
    default:
        return std::nullopt;
    }
}

// Controls that move their own cursor, selection or position with these keys keep them.
bool usesTheKeys(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QTabBar*>(w) || qobject_cast<const UpDown*>(w);
}

} // namespace

// The navigation keys of the preview pages, while the focus is on none of the controls that use them.
bool MainWindow::previewKey(QObject* watched, QKeyEvent* event) {
    const auto key = previewKeyOf(*event);
    if (!key || !tabs_) return false;
    const auto page = static_cast<PageId>(tabs_->currentIndex() + 1);
    if (page != PageId::Chapters && page != PageId::Zones && page != PageId::PanScan) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || (target != this && !isAncestorOf(target))) return false;
    if (usesTheKeys(QApplication::focusWidget())) return false;
    program_.preview().key(page, *key);
    return true;
}

} // namespace mivo
