// The wall clock set ahead for one 32-bit Linux process: loaded with LD_PRELOAD into the 32-bit
// Wine that runs the 32-bit program, it adds a number of seconds to the wall clock
// (CLOCK_REALTIME and its coarse form) and leaves every other clock alone, so that the
// program's tick count, timers and waits keep their pace. The number is read once, at the
// process's first look at the clock, from the file that CORVINET_CLOCK_SHIFT_FILE names (a
// decimal number, optionally signed); no variable or no file means no shift.
//
// libfaketime cannot do this here: Debian 12's 32-bit Wine reads the clock through the C
// library's 64-bit time entry points (__clock_gettime64, __gettimeofday64, __time64), which
// libfaketime 0.9.10 does not replace, and a 32-bit time_t could not hold a date after 2038.
//
// Built without the C library's headers and start files (gcc -m32 -shared -nostdlib), so that
// no 32-bit development package is needed: the clock is read with the clock_gettime64 system
// call itself; getenv, open, read and close come from the process's C library at load time.

typedef long long Int64;

struct Timespec64 {  // the C library's struct __timespec64 on i386
    Int64 seconds;
    long nanoseconds;
    long padding;
};

struct Timeval64 {  // struct __timeval64 on i386
    Int64 seconds;
    Int64 microseconds;
};

char* getenv(const char* name);
int open(const char* path, int flags, ...);
int read(int file, void* buffer, unsigned int size);
int close(int file);

enum { kClockRealtime = 0, kClockRealtimeCoarse = 5, kSysClockGettime64 = 403 };

static Int64 ParseSeconds(const char* text, int length) {
    Int64 value = 0;
    int i = 0;
    int negative = 0;
    if (i < length && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

static Int64 Shift(void) {
    static int known;
    static Int64 shift;
    if (!known) {
        char text[32];  // a 64-bit number with its sign and line end
        const char* path = getenv("CORVINET_CLOCK_SHIFT_FILE");
        const int file = path != 0 ? open(path, 0) : -1;
        if (file >= 0) {
            const int length = read(file, text, sizeof text);
            shift = length > 0 ? ParseSeconds(text, length) : 0;
            close(file);
        }
        known = 1;
    }
    return shift;
}

static int ClockGettime64(int clock, struct Timespec64* time) {
    int result;
    __asm__ volatile("int $0x80"
                     : "=a"(result)
                     : "a"(kSysClockGettime64), "b"(clock), "c"(time)
                     : "memory");
    return result;
}

int __clock_gettime64(int clock, struct Timespec64* time) {
    if (ClockGettime64(clock, time) != 0) {
        return -1;
    }
    if (clock == kClockRealtime || clock == kClockRealtimeCoarse) {
        time->seconds += Shift();
    }
    return 0;
}

int __gettimeofday64(struct Timeval64* time, void* zone) {
    (void)zone;
    struct Timespec64 now;
    if (__clock_gettime64(kClockRealtime, &now) != 0) {
        return -1;
    }
    if (time != 0) {
        time->seconds = now.seconds;
        time->microseconds = now.nanoseconds / 1000;
    }
    return 0;
}

Int64 __time64(Int64* result) {
    struct Timespec64 now;
    if (__clock_gettime64(kClockRealtime, &now) != 0) {
        return -1;
    }
    if (result != 0) {
        *result = now.seconds;
    }
    return now.seconds;
}
