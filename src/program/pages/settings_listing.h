#pragma once
// The "current Mivo.ini" listing of the three Settings pages, rebuilt from the program's records.

namespace mivo {

class Program;

void rebuildIniListing(Program& program);

} // namespace mivo
