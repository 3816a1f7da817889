/* A host clock for a process, preloaded by the tests (LD_PRELOAD): the wall clock starts
   at QUARV_FAKE_TIME (seconds since 1970) and every clock runs QUARV_FAKE_RATE times as
   fast as the real one, so that a run can be made at another hour and on a host that
   seems faster or slower, without changing the program. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>

static int (*realClockGettime)(clockid_t, struct timespec*);
static struct timespec realStart;
static long long fakeStart;
static double rate = 1.0;

static void setUp(void) {
    if (realClockGettime) return;
    realClockGettime = (int (*)(clockid_t, struct timespec*))dlsym(RTLD_NEXT, "clock_gettime");
    realClockGettime(CLOCK_MONOTONIC, &realStart);
    const char* start = getenv("QUARV_FAKE_TIME");
    const char* speed = getenv("QUARV_FAKE_RATE");
    fakeStart = start ? atoll(start) : realStart.tv_sec;
    if (speed) rate = atof(speed);
}

/* Seconds since the process started, as the faked clocks count them. */
static double elapsed(void) {
    struct timespec now;
    realClockGettime(CLOCK_MONOTONIC, &now);
    return ((double)(now.tv_sec - realStart.tv_sec) + (double)(now.tv_nsec - realStart.tv_nsec) / 1e9) * rate;
}

static void fill(struct timespec* ts, double seconds) {
    ts->tv_sec = (time_t)seconds;
    ts->tv_nsec = (long)((seconds - (double)ts->tv_sec) * 1e9);
}

int clock_gettime(clockid_t id, struct timespec* ts) {
    setUp();
    switch (id) {
    case CLOCK_REALTIME:
    case CLOCK_REALTIME_COARSE: fill(ts, (double)fakeStart + elapsed()); return 0;
    case CLOCK_MONOTONIC:
    case CLOCK_MONOTONIC_COARSE:
    case CLOCK_MONOTONIC_RAW:
    case CLOCK_BOOTTIME: fill(ts, (double)realStart.tv_sec + elapsed()); return 0;
    default: return realClockGettime(id, ts);
    }
}

time_t time(time_t* out) {
    setUp();
    time_t now = (time_t)((double)fakeStart + elapsed());
    if (out) *out = now;
    return now;
}

int gettimeofday(struct timeval* tv, void* zone) {
    (void)zone;
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tv->tv_sec = ts.tv_sec;
    tv->tv_usec = ts.tv_nsec / 1000;
    return 0;
}
