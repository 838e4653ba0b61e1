#include "app/KorvaneApp.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    CKorvaneApp app(std::move(arguments), argc > 0 ? argv[0] : "korvane");
    return app.InitInstance();
}
