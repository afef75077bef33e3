#include "ui/CTolvaneDeskApp.h"

int main(int argc, char* argv[])
{
    return tolvane::ui::CTolvaneDeskApp::run(argc, argv);
}
