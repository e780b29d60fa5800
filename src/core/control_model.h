#pragma once
// The program's controls as plain data: every page's controls with their ids, kinds, texts, check
// states, enabled states, positions, ranges and list items. Handlers read and write this model; the
// widget layer mirrors it on screen and feeds the user's actions back in. Writes made by the program
// never raise a notification, so a handler that rewrites its own field starts no chain of events.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mivo {

enum class PageId {
    Window = 0,
    Main,
    Settings1,
    Settings2,
    Settings3,
    Matrix,
    Chapters,
    Zones,
    PanScan,
    Queue,
    Disc
};
inline constexpr int kPageCount = 11;

// The script and print name of a page ("window", "main", ..., "panscan", "queue", "disc"), and back.
std::string_view pageName(PageId page);
std::optional<PageId> pageFromName(std::string_view name);

enum class ControlKind {
    Button,
    CheckBox,
    Radio,
    Edit,
    Static,
    GroupBox,
    ListBox,
    ComboBox,
    UpDown,
    Trackbar,
    Tab,
    Picture, // the preview area of the preview pages
};
std::string_view kindName(ControlKind kind);

enum class Notify { Default, GainFocus, LoseFocus, Change };

// Flags of a control template.
enum ControlFlags : unsigned {
    kDisabled = 1u << 0,     // starts disabled
    kChecked = 1u << 1,      // check box or radio starts checked
    kReadOnly = 1u << 2,     // edit the user cannot type into, list box that only shows text
    kNotifyChange = 1u << 3, // edit that notifies on every text change
    kMultiLine = 1u << 4,    // edit or static of several lines
    kSunken = 1u << 5,       // static with a sunken edge (status line, info fields)
    kVertical = 1u << 6,     // trackbar or up-down standing upright
    kHidden = 1u << 7,       // not shown at start
    kMonospace = 1u << 8,    // list box shown in the fixed-pitch font (the ini listing)
    kRightAlign = 1u << 9,   // static text aligned to the right
    kDigitsOnly = 1u << 10,  // edit that takes the digits 0 to 9 and no other character
};

// One control of a dialog template. Positions are dialog units of the page (x, y, width, height).
// Static texts and group boxes without an id of their own use id 0 (several may share it).
struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    int x = 0, y = 0, w = 0, h = 0;
    std::string_view text = {};
    unsigned flags = 0;
    int group = 0;    // radios with the same non-zero group on one page exclude each other
    int rangeMin = 0; // up-down and trackbar range
    int rangeMax = 0;
    int initial = 0;                              // up-down and trackbar start position
    int buddy = 0;                                // up-down: the edit it belongs to (0 when it stands alone)
    std::span<const std::string_view> items = {}; // combo-box list
};

struct PageTemplate {
    PageId page;
    int dialogId; // 101 for the window, 103..112 for the pages
    std::string_view title;
    int width, height; // dialog units
    std::span<const ControlTemplate> controls;
};

// The templates of the window and of every page, in PageId order.
std::span<const PageTemplate> pageTemplates();

// A list box's lines given as a count and the text of line i. The widget asks only for the lines it
// shows, so a list of hundreds of thousands of lines fills without formatting them all.
using LineProvider = std::function<std::string(int index)>;

// What a picture control shows: 24-bit pixels stored blue, green, red, `rowBytes` apart, the bottom line
// first (as a bitmap file stores them). The pixels belong to the program and stay valid until the next
// picture change. No pixels: nothing is drawn. The aspect code (1 to 5) decides the picture's shape.
struct PictureImage {
    const std::uint8_t* rows = nullptr;
    int width = 0;
    int height = 0;
    std::size_t rowBytes = 0;
    int aspectCode = 0;
};

struct Control {
    const ControlTemplate* tpl = nullptr;
    PageId page = PageId::Window;
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    int pos = 0;
    int rangeMin = 0, rangeMax = 0;
    std::vector<std::string> items; // list and combo-box lines given one by one
    int providedCount = 0;          // list-box lines given by a provider instead
    LineProvider provider;
    int selected = -1;
    int horizontalExtent = 0; // list box scroll width in pixels (0: none)
    PictureImage picture;

    // The lines, whichever way they were given.
    int itemCount() const { return provider ? providedCount : static_cast<int>(items.size()); }
    std::string item(int index) const;
    std::vector<std::string> lines() const; // every line, in order
};

// What changed in a control, for the widget layer to mirror.
enum class Change { Text, Checked, Enabled, Visible, Pos, Range, Items, Selected, Extent, Picture };

class ControlModel {
  public:
    using Observer = std::function<void(const Control&, Change)>;
    using Handler = std::function<void(PageId, int, Notify)>;

    explicit ControlModel(std::span<const PageTemplate> templates = pageTemplates());

    // --- lookup ---------------------------------------------------------------
    Control* find(PageId page, int id);
    const Control* find(PageId page, int id) const;
    Control& at(PageId page, int id);             // throws std::out_of_range on an unknown control
    const Control& at(PageId page, int id) const; // same
    std::vector<const Control*> controls(PageId page) const;

    // --- program writes (never notify) -------------------------------------------
    void setText(PageId page, int id, std::string_view text);
    void setChecked(PageId page, int id, bool on); // a radio turned on turns its group's others off
    void setEnabled(PageId page, int id, bool on);
    void setVisible(PageId page, int id, bool on);
    void setPos(PageId page, int id, int pos); // clamped to the range
    void setRange(PageId page, int id, int lo, int hi);
    void setItems(PageId page, int id, std::vector<std::string> items);
    void addItem(PageId page, int id, std::string_view item);
    // A list box's lines as a count and a provider of line i (asked again whenever a line is shown).
    void setLines(PageId page, int id, int count, LineProvider provider);
    void setSelected(PageId page, int id, int index);            // -1: none
    bool selectText(PageId page, int id, std::string_view item); // combo box: select the matching entry
    void setHorizontalExtent(PageId page, int id, int pixels);
    // Always mirrored: the same pixels may hold a new picture.
    void setPicture(PageId page, int id, const PictureImage& image);

    // --- reads ---------------------------------------------------------------
    const std::string& text(PageId page, int id) const;
    bool checked(PageId page, int id) const;
    bool enabled(PageId page, int id) const;
    int pos(PageId page, int id) const;
    int selected(PageId page, int id) const;
    std::string selectedText(PageId page, int id) const;

    // --- notifications --------------------------------------------------------------
    // One registration per (page, id, notification kind).
    void bind(PageId page, int id, Notify kind, Handler handler);
    bool isBound(PageId page, int id, Notify kind) const;
    // Runs the bound handler, if any. Returns whether one ran.
    bool notify(PageId page, int id, Notify kind);

    // --- the user's actions, shared by the widget layer and the scenario runner ---------
    // Each returns false when the control is disabled (nothing happens then).
    bool userFocus(PageId page, int id); // focus moves: lose focus of the old edit, gain of the new
    void userLeave();                    // focus moves away from the focused control
    bool userClick(PageId page, int id); // focus, toggle or check, then the default notification
    bool userType(PageId page, int id, std::string_view text); // focus, new text, change notification
    bool userSelect(PageId page, int id, int index);           // list or combo selection
    bool userSpin(PageId page, int id, int pos);               // up-down position
    bool userSlide(PageId page, int id, int pos);              // trackbar position
    // The widget layer reports a focus change it saw (keyboard, mouse) without moving Qt's focus itself.
    void focusSeen(std::optional<std::pair<PageId, int>> now);
    std::optional<std::pair<PageId, int>> focused() const { return focus_; }

    // The widget layer registers one observer; it is told of every program write.
    void setObserver(Observer observer) { observer_ = std::move(observer); }

  private:
    static long key(PageId page, int id) { return static_cast<long>(page) * 100000L + id; }
    void changed(const Control& c, Change what);
    void moveFocus(std::optional<std::pair<PageId, int>> to);

    std::vector<Control> controls_;
    std::map<long, std::size_t> index_;
    std::map<std::pair<long, int>, Handler> handlers_;
    std::optional<std::pair<PageId, int>> focus_;
    Observer observer_;
};

} // namespace mivo
