#pragma once

namespace qlx {

// The program's name as the user sees it: the caption of its message boxes, the splash and
// about panels, the sheet's heading, the title of the PDFs and page pictures it writes, and
// the first line of a settings file.
inline constexpr char kProductName[] = "Quillmar Mineral Label Studio";

} // namespace qlx
