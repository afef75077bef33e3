#pragma once

namespace tolvane::ui {

// The application object: prepares the platform, reads the command line, refuses to
// run while another copy runs, fixes the settings path and runs the main window.
class CTolvaneDeskApp
{
public:
    static int run(int argc, char* argv[]);
};

} // namespace tolvane::ui
