#pragma once
// qmtool listing: the printed listing of one item laid out into a PDF file without a window,
// by the same layout as File -> Print. The one command of the tool that needs Qt.

#include <ostream>
#include <string>
#include <vector>

namespace qm {

/// Runs `listing FILE PATH -o OUT.pdf [--columns N] [--font-size N] [--hierarchy N]` (the
/// words after the program name); needs a QGuiApplication. Returns the exit status.
int runListing(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
/// The same from main(): makes the application first, on the offscreen platform unless the
/// user named another, so it runs where there is no display.
int runListingMain(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace qm
