#pragma once
// The tab control: what each page needs when it comes up.

namespace mivo {

class Program;

// Brings up the page the tab control now shows, or holds the chapter page while a scene-change scan
// runs.
void tabChanged(Program& program);

} // namespace mivo
