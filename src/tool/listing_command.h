#pragma once
// qmtool listing: the printed listing of one item laid out into a PDF file without a window,
// by the same layout as File -> Print. The one command of the tool that needs Qt's GUI.

#include <ostream>
#include <string>
#include <vector>

namespace qm {

/// runTool with the listing command as well (the words after the program name). Makes a
/// QGuiApplication for the listing when there is none, on the offscreen platform unless the
/// user named another, so it runs where there is no display.
int runToolWithListing(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qm
