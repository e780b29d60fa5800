#include "core/control_model.h"

#include <algorithm>
#include <stdexcept>

namespace mivo {

namespace {
constexpr std::array<std::string_view, kPageCount> kPageNames = {
    "window",   "main",  "settings1", "settings2", "settings3", "matrix",
    "chapters", "zones", "panscan",   "queue",     "disc"};

} // namespace

std::string_view pageName(PageId page) {
    return kPageNames.at(static_cast<std::size_t>(page));
}

std::optional<PageId> pageFromName(std::string_view name) {
    for (std::size_t i = 0; i < kPageNames.size(); ++i)
        if (kPageNames[i] == name) return static_cast<PageId>(i);
    return std::nullopt;
}

std::string_view kindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Button:
        return "button";
    case ControlKind::CheckBox:
        return "checkbox";
    case ControlKind::Radio:
        return "radio";
    case ControlKind::Edit:
        return "edit";
    case ControlKind::Static:
        return "static";
    case ControlKind::GroupBox:
        return "groupbox";
    case ControlKind::ListBox:
        return "listbox";
    case ControlKind::ComboBox:
        return "combobox";
    case ControlKind::UpDown:
        return "updown";
    case ControlKind::Trackbar:
        return "trackbar";
    case ControlKind::Tab:
        return "tab";
    case ControlKind::Picture:
        return "picture";
    }
    return "unknown";
}

std::string Control::item(int index) const {
    if (index < 0 || index >= itemCount()) return {};
    return provider ? provider(index) : items[static_cast<std::size_t>(index)];
}

std::vector<std::string> Control::lines() const {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(itemCount()));
    for (int i = 0; i < itemCount(); ++i)
        out.push_back(item(i));
    return out;
}

ControlModel::ControlModel(std::span<const PageTemplate> templates) {
    for (const PageTemplate& page : templates) {
        for (const ControlTemplate& t : page.controls) {
            Control c;
            c.tpl = &t;
            c.page = page.page;
            c.id = t.id;
            c.kind = t.kind;
            c.text = std::string(t.text);
            c.checked = (t.flags & kChecked) != 0;
            c.enabled = (t.flags & kDisabled) == 0;
            c.visible = (t.flags & kHidden) == 0;
            c.rangeMin = t.rangeMin;
            c.rangeMax = t.rangeMax;
            c.pos = t.initial;
            if (t.kind == ControlKind::ComboBox) {
                for (std::string_view item : t.items)
                    c.items.emplace_back(item);
                c.text.clear();
            }
            controls_.push_back(std::move(c));
        }
    }
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const Control& c = controls_[i];
        if (c.id != 0) index_.emplace(key(c.page, c.id), i);
    }
}

Control* ControlModel::find(PageId page, int id) {
    auto it = index_.find(key(page, id));
    return it == index_.end() ? nullptr : &controls_[it->second];
}

const Control* ControlModel::find(PageId page, int id) const {
    auto it = index_.find(key(page, id));
    return it == index_.end() ? nullptr : &controls_[it->second];
}

Control& ControlModel::at(PageId page, int id) {
    if (Control* c = find(page, id)) return *c;
    throw std::out_of_range("no control " + std::to_string(id) + " on page " + std::string(pageName(page)));
}

const Control& ControlModel::at(PageId page, int id) const {
    if (const Control* c = find(page, id)) return *c;
    throw std::out_of_range("no control " + std::to_string(id) + " on page " + std::string(pageName(page)));
}

std::vector<const Control*> ControlModel::controls(PageId page) const {
    std::vector<const Control*> out;
    for (const Control& c : controls_)
        if (c.page == page) out.push_back(&c);
    return out;
}

void ControlModel::changed(const Control& c, Change what) {
    if (observer_) observer_(c, what);
}

void ControlModel::setText(PageId page, int id, std::string_view text) {
    Control& c = at(page, id);
    if (c.text == text) return;
    c.text = std::string(text);
    changed(c, Change::Text);
}

void ControlModel::setChecked(PageId page, int id, bool on) {
    Control& c = at(page, id);
    if (on && c.kind == ControlKind::Radio && c.tpl && c.tpl->group != 0) {
        for (Control& other : controls_) {
            if (&other == &c || other.page != page || other.kind != ControlKind::Radio || !other.tpl ||
                other.tpl->group != c.tpl->group || !other.checked)
                continue;
            other.checked = false;
            changed(other, Change::Checked);
        }
    }
    if (c.checked == on) return;
    c.checked = on;
    changed(c, Change::Checked);
}

void ControlModel::setEnabled(PageId page, int id, bool on) {
    Control& c = at(page, id);
    if (c.enabled == on) return;
    c.enabled = on;
    changed(c, Change::Enabled);
}

void ControlModel::setVisible(PageId page, int id, bool on) {
    Control& c = at(page, id);
    if (c.visible == on) return;
    c.visible = on;
    changed(c, Change::Visible);
}

void ControlModel::setPos(PageId page, int id, int pos) {
    Control& c = at(page, id);
    const int lo = std::min(c.rangeMin, c.rangeMax), hi = std::max(c.rangeMin, c.rangeMax);
    pos = std::clamp(pos, lo, hi);
    if (c.pos == pos) return;
    c.pos = pos;
    changed(c, Change::Pos);
}

void ControlModel::setRange(PageId page, int id, int lo, int hi) {
    Control& c = at(page, id);
    if (c.rangeMin == lo && c.rangeMax == hi) return;
    c.rangeMin = lo;
    c.rangeMax = hi;
    changed(c, Change::Range);
    const int clamped = std::clamp(c.pos, std::min(lo, hi), std::max(lo, hi));
    if (clamped != c.pos) {
        c.pos = clamped;
        changed(c, Change::Pos);
    }
}

void ControlModel::setItems(PageId page, int id, std::vector<std::string> items) {
    Control& c = at(page, id);
    c.items = std::move(items);
    c.provider = nullptr;
    c.providedCount = 0;
    c.selected = -1;
    changed(c, Change::Items);
}

void ControlModel::addItem(PageId page, int id, std::string_view item) {
    Control& c = at(page, id);
    if (c.provider) {
        // Lines given by a provider become plain lines first, so the new one lands after them.
        std::vector<std::string> lines;
        lines.reserve(static_cast<std::size_t>(c.providedCount) + 1);
        for (int i = 0; i < c.providedCount; ++i)
            lines.push_back(c.provider(i));
        c.items = std::move(lines);
        c.provider = nullptr;
        c.providedCount = 0;
    }
    c.items.emplace_back(item);
    changed(c, Change::Items);
}

void ControlModel::setLines(PageId page, int id, int count, LineProvider provider) {
    Control& c = at(page, id);
    c.items.clear();
    c.providedCount = provider ? std::max(count, 0) : 0;
    c.provider = std::move(provider);
    c.selected = -1;
    changed(c, Change::Items);
}

void ControlModel::setSelected(PageId page, int id, int index) {
    Control& c = at(page, id);
    if (index < -1 || index >= c.itemCount()) index = -1;
    if (c.selected == index) return;
    c.selected = index;
    if (c.kind == ControlKind::ComboBox) c.text = c.item(index);
    changed(c, Change::Selected);
}

bool ControlModel::selectText(PageId page, int id, std::string_view item) {
    Control& c = at(page, id);
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        if (c.items[i] == item) {
            setSelected(page, id, static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void ControlModel::setHorizontalExtent(PageId page, int id, int pixels) {
    Control& c = at(page, id);
    if (c.horizontalExtent == pixels) return;
    c.horizontalExtent = pixels;
    changed(c, Change::Extent);
}

void ControlModel::setPicture(PageId page, int id, const PictureImage& image) {
    Control& c = at(page, id);
    c.picture = image;
    changed(c, Change::Picture);
}

const std::string& ControlModel::text(PageId page, int id) const {
    return at(page, id).text;
}
bool ControlModel::checked(PageId page, int id) const {
    return at(page, id).checked;
}
bool ControlModel::enabled(PageId page, int id) const {
    return at(page, id).enabled;
}
int ControlModel::pos(PageId page, int id) const {
    return at(page, id).pos;
}
int ControlModel::selected(PageId page, int id) const {
    return at(page, id).selected;
}

std::string ControlModel::selectedText(PageId page, int id) const {
    const Control& c = at(page, id);
    return c.item(c.selected);
}

void ControlModel::bind(PageId page, int id, Notify kind, Handler handler) {
    handlers_[{key(page, id), static_cast<int>(kind)}] = std::move(handler);
}

bool ControlModel::isBound(PageId page, int id, Notify kind) const {
    return handlers_.count({key(page, id), static_cast<int>(kind)}) != 0;
}

bool ControlModel::notify(PageId page, int id, Notify kind) {
    auto it = handlers_.find({key(page, id), static_cast<int>(kind)});
    if (it == handlers_.end()) return false;
    // Copy: a handler may rebind controls while it runs.
    Handler h = it->second;
    h(page, id, kind);
    return true;
}

void ControlModel::moveFocus(std::optional<std::pair<PageId, int>> to) {
    if (focus_ == to) return;
    const auto from = focus_;
    focus_ = to;
    if (from) notify(from->first, from->second, Notify::LoseFocus);
    if (to) notify(to->first, to->second, Notify::GainFocus);
}

void ControlModel::focusSeen(std::optional<std::pair<PageId, int>> now) {
    if (now && !find(now->first, now->second)) now.reset();
    moveFocus(now);
}

bool ControlModel::userFocus(PageId page, int id) {
    if (!at(page, id).enabled) return false;
    moveFocus(std::make_pair(page, id));
    return true;
}

void ControlModel::userLeave() {
    moveFocus(std::nullopt);
}

bool ControlModel::userClick(PageId page, int id) {
    Control& c = at(page, id);
    if (!c.enabled) return false;
    moveFocus(std::make_pair(page, id));
    if (c.kind == ControlKind::CheckBox) {
        setChecked(page, id, !c.checked);
    } else if (c.kind == ControlKind::Radio) {
        setChecked(page, id, true);
    }
    notify(page, id, Notify::Default);
    return true;
}

bool ControlModel::userType(PageId page, int id, std::string_view text) {
    Control& c = at(page, id);
    if (!c.enabled) return false;
    moveFocus(std::make_pair(page, id));
    std::string typed(text);
    // A digits-only field ignores every other key, so of a typed text only its digits arrive.
    if (c.tpl && (c.tpl->flags & kDigitsOnly))
        std::erase_if(typed, [](char ch) { return ch < '0' || ch > '9'; });
    if (c.text != typed) {
        c.text = std::move(typed);
        changed(c, Change::Text);
        if (c.tpl && (c.tpl->flags & kNotifyChange)) notify(page, id, Notify::Change);
    }
    return true;
}

bool ControlModel::userSelect(PageId page, int id, int index) {
    Control& c = at(page, id);
    if (!c.enabled) return false;
    moveFocus(std::make_pair(page, id));
    setSelected(page, id, index);
    notify(page, id, Notify::Default);
    return true;
}

bool ControlModel::userSpin(PageId page, int id, int pos) {
    Control& c = at(page, id);
    if (!c.enabled) return false;
    setPos(page, id, pos);
    notify(page, id, Notify::Default);
    return true;
}

bool ControlModel::userSlide(PageId page, int id, int pos) {
    Control& c = at(page, id);
    if (!c.enabled) return false;
    moveFocus(std::make_pair(page, id));
    setPos(page, id, pos);
    notify(page, id, Notify::Default);
    return true;
}

} // namespace mivo
