// The floor of the report's start-up benchmark (bench/report_benchmark.py): the
// least a console program does, writing one line and ending.
#include <cstdio>

int main() {
    std::puts("floor");
    return 0;
}
