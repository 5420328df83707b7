/* The floor of the report's benchmark on large exports: one plain pass over a
 * registry export, read 1 MiB at a time, counting its key lines (a "[" at the
 * start of a line), in UTF-16 LE when it starts with a BOM and in 8-bit text
 * otherwise. Prints the count.
 *   reg-floor FILE */
#include <stdio.h>
#include <string.h>

static unsigned char buffer[3 + (1 << 20)];

int main(int argc, char **argv) {
    FILE *file = argc == 2 ? fopen(argv[1], "rb") : NULL;
    if (file == NULL) {
        fprintf(stderr, "usage: reg-floor FILE (a file that can be read)\n");
        return 2;
    }
    size_t got = fread(buffer + 3, 1, 2, file);
    const int wide = got == 2 && buffer[3] == 0xFF && buffer[4] == 0xFE;
    const size_t unit = wide ? 2 : 1;
    /* A line break and the unit after it may be cut by a read: the last bytes
     * of each read are kept before the next. */
    size_t kept = got, keys = 0;
    memmove(buffer + 3 - kept, buffer + 3, kept);
    while ((got = fread(buffer + 3, 1, sizeof buffer - 3, file)) > 0) {
        const unsigned char *p = buffer + 3 - kept, *end = buffer + 3 + got;
        while ((p = memchr(p, '\n', (size_t)(end - p))) != NULL && end - p > (long)(2 * unit - 1)) {
            if (p[unit] == '[' && (!wide || (p[1] == 0 && p[3] == 0))) ++keys;
            p += unit;
        }
        kept = 3 < got ? 3 : got;
        memmove(buffer + 3 - kept, end - kept, kept);
    }
    fclose(file);
    printf("%zu key lines\n", keys);
    return 0;
}
