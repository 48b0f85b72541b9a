#include <cstdio>

int main() {
    std::puts("Pixello");
    return 0;
}
