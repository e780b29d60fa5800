#pragma once
// The base of every page's handler: the program binds a page's controls to these entry points.

namespace mivo {

class Program;

// A page's handler: default notifications, and the lose- and gain-focus checks of its edits.
class PageHandler {
  public:
    explicit PageHandler(Program& program) : p_(program) {}
    virtual ~PageHandler() = default;
    virtual void onDefault(int id) { (void)id; }
    virtual void onChange(int id) { onDefault(id); }
    virtual void onLoseFocus(int id) { (void)id; }
    virtual void onGainFocus(int id);

  protected:
    Program& p_;
};

} // namespace mivo
