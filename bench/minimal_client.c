/* The floor the program is measured against: the same board exchanges in plain
 * POSIX I/O, one poll, one read and one write a lock-step byte, no Qt.
 *
 *   minimal_client DEVICE readout            connect as the program does, then
 *                                            the full read-out (header and data)
 *   minimal_client DEVICE voltmeter BAUD S   four "g" exchanges every timer tick
 *                                            (20 ms at 19200, 50 ms at 9600) for S s
 *
 * The last line of output is "RESULT key=value ...", for scripts/bench. */

#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static int fd = -1;
static long pauses;

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void sleepSeconds(double s)
{
    struct timespec t = {(time_t)s, (long)((s - (double)(time_t)s) * 1e9)};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

static void setSpeed(int baud)
{
    struct termios tio;
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, baud == 19200 ? B19200 : B9600);
    cfsetospeed(&tio, baud == 19200 ? B19200 : B9600);
    tcsetattr(fd, TCSANOW, &tio);
}

static void flushInput(void)
{
    tcflush(fd, TCIFLUSH);
}

static void sendByte(unsigned char b)
{
    if (write(fd, &b, 1) != 1) {
        perror("write");
        exit(1);
    }
}

/* A parameter byte and the 100 ms the board needs to take it in. */
static void sendParam(unsigned char b)
{
    sendByte(b);
    sleepSeconds(0.1);
    ++pauses;
}

static void sendParamBlock(const unsigned char *block, int n)
{
    unsigned sum = 0;
    for (int i = 0; i < n; ++i) {
        sendParam(block[i]);
        sum += block[i];
    }
    sendParam((unsigned char)((256 - sum % 256) % 256));
}

/* At least `want` bytes within 1 s, then everything waiting; the count read,
 * 0 on time-out. */
static int waitReply(unsigned char *buf, int size, int want)
{
    int got = 0;
    const double deadline = now() + 1.0;
    while (got < want) {
        const int left = (int)((deadline - now()) * 1000.0) + 1;
        struct pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0)
            return 0;
        const ssize_t n = read(fd, buf + got, (size_t)(size - got));
        if (n > 0)
            got += (int)n;
    }
    return got;
}

/* Whatever is waiting right now; the first byte or -1. */
static int takeReply(void)
{
    unsigned char buf[64];
    const ssize_t n = read(fd, buf, sizeof buf);
    return n > 0 ? buf[0] : -1;
}

static int sendAndLook(char letter)
{
    sendParam((unsigned char)letter);
    return takeReply();
}

static int connectBoard(void)
{
    static const unsigned char speedBlock[] = {0x27, 0x55, 0x2A, 0x55, 0x55, 0x55};
    flushInput();
    setSpeed(9600);
    sendAndLook('t');
    flushInput();
    const int found9600 = sendAndLook('t') == 't';
    setSpeed(19200);
    if (sendAndLook('t') == 't')
        return 1;
    if (!found9600)
        return 0;
    setSpeed(9600);
    flushInput();
    if (sendAndLook('s') != 's')
        return 0;
    sendParamBlock(speedBlock, 6);
    if (takeReply() != 'S')
        return 0;
    setSpeed(19200);
    return 1;
}

/* "r" of count + 1 bytes from address; takes `take` of them, each echoed. */
static int readBlock(int address, int count, unsigned char *out, int take)
{
    unsigned char buf[64];
    sendByte('r');
    if (waitReply(buf, sizeof buf, 1) < 1 || buf[0] != 'r')
        return 0;
    const unsigned char request[] = {address & 0xFF, address >> 8, count & 0xFF, count >> 8};
    sendParamBlock(request, 4);
    if (waitReply(buf, sizeof buf, 2) < 2 || buf[0] != 'R')
        return 0;
    out[0] = buf[1];
    sendByte(buf[1]);
    for (int i = 1; i < take; ++i) {
        if (waitReply(buf, sizeof buf, 1) < 1)
            return 0;
        out[i] = buf[0];
        sendByte(buf[0]);
    }
    return 1;
}

static int readout(void)
{
    static unsigned char data[32768];
    unsigned char header[17];
    const double t0 = now();
    if (!connectBoard()) {
        fprintf(stderr, "minimal_client: no board\n");
        return 1;
    }
    const double t1 = now();
    flushInput();
    if (!readBlock(0, 16, header, 17)) {
        fprintf(stderr, "minimal_client: header read failed\n");
        return 1;
    }
    /* header[k + 1] is read-back byte k; the end address is read-back 11 and 12. */
    const int logLength = (header[13] << 8 | header[12]) - 15;
    if (logLength < 1 || logLength > 32768) {
        fprintf(stderr, "minimal_client: no log\n");
        return 1;
    }
    const double t2 = now();
    if (!readBlock(16, logLength, data, logLength)) {
        fprintf(stderr, "minimal_client: data read failed\n");
        return 1;
    }
    const double t3 = now();
    const int lockStep = 17 + logLength;
    printf("connect %.3f s, header %.3f s, data %.3f s (%d bytes), total %.3f s\n", t1 - t0,
           t2 - t1, t3 - t2, logLength, t3 - t0);
    printf("RESULT wall=%.4f connect=%.4f data=%.4f lockstep=%d pauses=%ld\n", t3 - t0, t1 - t0,
           t3 - t2, lockStep, pauses);
    return 0;
}

static int compareDoubles(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

static int voltmeter(int baud, double seconds)
{
    const double period = baud == 19200 ? 0.020 : 0.050;
    const int maxCycles = (int)(seconds / period) + 2;
    double *cycle = calloc((size_t)maxCycles, sizeof *cycle);
    int cycles = 0, skipped = 0, lost = 0;
    unsigned char buf[64];
    setSpeed(baud);
    const double start = now();
    double tick = start;
    while (tick < start + seconds && cycles < maxCycles) {
        const double began = now();
        for (int ch = 0; ch < 4; ++ch) {
            flushInput();
            sendByte('g');
            if (waitReply(buf, sizeof buf, 1) < 1 || buf[0] != 'g') {
                ++lost;
                continue;
            }
            sendByte((unsigned char)(0xC4 + 8 * ch));
            if (waitReply(buf, sizeof buf, 1) < 1)
                ++lost;
        }
        const double done = now();
        cycle[cycles++] = done - began;
        /* A tick that fell due while the cycle ran is skipped, as the window skips it. */
        tick += period;
        while (tick <= done) {
            ++skipped;
            tick += period;
        }
        if (tick > done)
            sleepSeconds(tick - done);
    }
    const double wall = now() - start;
    qsort(cycle, (size_t)cycles, sizeof *cycle, compareDoubles);
    const double median = cycles ? cycle[cycles / 2] : 0;
    printf("voltmeter at %d bps for %.1f s: %d cycles (%.2f/s), %d skipped, %d lost, median "
           "cycle %.2f ms\n",
           baud, wall, cycles, cycles / wall, skipped, lost, median * 1e3);
    printf("RESULT wall=%.4f cycles=%d skipped=%d lost=%d median=%.6f\n", wall, cycles, skipped,
           lost, median);
    free(cycle);
    return lost ? 1 : 0;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s DEVICE readout | DEVICE voltmeter BAUD SECONDS\n", argv[0]);
        return 2;
    }
    fd = open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        perror(argv[1]);
        return 2;
    }
    setSpeed(9600);
    if (strcmp(argv[2], "readout") == 0)
        return readout();
    if (strcmp(argv[2], "voltmeter") == 0 && argc >= 5)
        return voltmeter(atoi(argv[3]), atof(argv[4]));
    fprintf(stderr, "%s: unknown exchange %s\n", argv[0], argv[2]);
    return 2;
}
