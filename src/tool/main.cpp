#include <iostream>
#include <new>

#include "tool/commands.h"
#include "tool/listing_command.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // runTool keeps its failures to itself; this catches what fails before it runs.
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        const int status = qm::runToolWithListing(args, std::cout, std::cerr);
        std::cout.flush();
        return std::cout ? status : qm::kToolError;
    } catch (const std::bad_alloc&) {
        std::cerr << qm::kNoMemoryMessage << '\n';
    }
    return qm::kToolError;
}
