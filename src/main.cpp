#include "app/KorvaneApp.h"
#ifdef KORVANE_GUI
#include "app/WindowsModule.h"
#endif

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    CKorvaneApp app(std::move(arguments), argc > 0 ? argv[0] : "korvane");
#ifdef KORVANE_GUI
    CWindowsModule::Install(app, argc, argv);
#endif
    return app.InitInstance();
}
