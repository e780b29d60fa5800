#pragma once
// The main window's own controls: the tab control, "about Mivo", "encode", "exit", and closing.

namespace mivo {

class Program;

// Handlers of the main window's controls and of its close notification.
class WindowHandlers {
  public:
    explicit WindowHandlers(Program& program) : p_(program) {}
    void tabChanged();
    void button(int id);
    void close();

  private:
    Program& p_;
};

} // namespace mivo
