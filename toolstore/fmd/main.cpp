// zorvo_fmd FILE: rewrites FILE with a fresh onMetaData. Carried by ZorvoResFLV as
// "~tmpExtFmd.exe" and run by the media tools with one (possibly quoted) path.
#include "FlvInject.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // A file size limit must turn into a write error that is cleaned up, not a kill.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string path, error, notes;
    if (!fmd::pathFromArgs(args, path, error)) {
        std::fprintf(stderr, "~tmpExtFmd: %s\n", error.c_str());
        return 2;
    }
    int rc = 0;
    try {
        rc = fmd::injectFile(path, error, notes);
    } catch (const std::exception& e) {
        // Caught here so that the work file is removed on the way out.
        error = e.what();
        rc = 8;
    }
    if (!notes.empty())
        std::fprintf(stderr, "~tmpExtFmd: %s: %s", path.c_str(), notes.c_str());
    if (rc != 0) {
        std::fprintf(stderr, "~tmpExtFmd: %s: %s; the file is left as it was\n", path.c_str(), error.c_str());
        return rc;
    }
    std::printf("~tmpExtFmd: %s: metadata written\n", path.c_str());
    return 0;
}
