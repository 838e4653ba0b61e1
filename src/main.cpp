#include <cstdio>

int main()
{
    std::printf("Korvane %s\n", KORVANE_VERSION);
    return 0;
}
