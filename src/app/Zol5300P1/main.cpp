// Placeholder until the query window lands.
#include <cstdio>

int main() {
    std::fputs("Zol5300P1: the query window is not built yet\n", stderr);
    return 1;
}
