// Throughput of Sealer against the same loop over minizip's crypt.h, in MB/s (10^6 bytes per second of
// the process's CPU time, which other work on a shared machine disturbs less than wall time).
// Prints one line per measurement: "<implementation> <direction> <bytes> <MB/s>". Run it through
// bench/sealer_bench.py, which adds the Python figures beside these.
#include "minizip_loop.h"
#include "sealer.h"

#include <ctime>
#include <cstdio>
#include <functional>
#include <string>

namespace {

const size_t SIZES[] = {1024, 64 * 1024, 16 * 1024 * 1024};
const double MIN_SECONDS = 0.3;  // per repetition
const int REPETITIONS = 5;       // the best is reported
const double BYTES_PER_MB = 1e6;

double CpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Best throughput of `call` over the data size, in MB/s.
double Measure(size_t size, const std::function<void()> &call)
{
    double best = 0;
    for (int r = 0; r < REPETITIONS; r++) {
        size_t calls = 0;
        double start = CpuSeconds();
        double seconds = 0;
        do {
            call();
            calls++;
            seconds = CpuSeconds() - start;
        } while (seconds < MIN_SECONDS);
        double rate = static_cast<double>(size) * calls / seconds / BYTES_PER_MB;
        best = rate > best ? rate : best;
    }
    return best;
}

}  // namespace

int main()
{
    volatile size_t sink = 0;  // keeps results observable
    for (size_t size : SIZES) {
        std::string data(size, '\0');
        for (size_t i = 0; i < size; i++) {
            data[i] = static_cast<char>(i * 31 + (i >> 8));
        }

        Sealer sealer("benchmark password");
        printf("sealer encrypt %zu %.1f\n", size, Measure(size, [&] { sink += sealer.encrypt(data)[0]; }));
        printf("sealer decrypt %zu %.1f\n", size, Measure(size, [&] { sink += sealer.decrypt(data)[0]; }));

        MinizipKeys keys;
        MinizipInit(&keys, "benchmark password");
        auto in = reinterpret_cast<const unsigned char *>(data.data());
        printf("minizip encrypt %zu %.1f\n", size, Measure(size, [&] {
            std::string out(size, '\0');
            MinizipEncrypt(&keys, in, reinterpret_cast<unsigned char *>(&out[0]), size);
            sink += out[0];
        }));
        printf("minizip decrypt %zu %.1f\n", size, Measure(size, [&] {
            std::string out(size, '\0');
            MinizipDecrypt(&keys, in, reinterpret_cast<unsigned char *>(&out[0]), size);
            sink += out[0];
        }));
        fflush(stdout);
    }
    return 0;
}
