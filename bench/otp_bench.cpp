// ns per 6-digit SHA-1 code: ours, liboath's, and the floor of two SHA-1
// compressions (the least any HMAC of one short block can cost). Then the
// lag of the one-second tick and of the new-code notification after their
// boundaries on the real clock.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "Clock.h"
#include "HOTPGenerator.h"
#include "NotificationCenter.h"
#include "OTPAuthURL.h"
#include "TOTPAuthURL.h"

#include <QCoreApplication>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <liboath/oath.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <string>
#include <vector>

namespace {

const char key[] = "12345678901234567890";

void BM_Ours(benchmark::State &state)
{
    const auto generator = HOTPGenerator::initWithSecret(QByteArray(key), "SHA1", 6, 0);
    quint64 counter = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(generator->generateOTPForCounter(counter++));
}
BENCHMARK(BM_Ours);

void BM_Liboath(benchmark::State &state)
{
    oath_init();
    char code[16];
    uint64_t counter = 0;
    for (auto _ : state) {
        oath_hotp_generate(key, 20, counter++, 6, false, OATH_HOTP_DYNAMIC_TRUNCATION, code);
        benchmark::DoNotOptimize(code);
    }
    oath_done();
}
BENCHMARK(BM_Liboath);

void BM_TwoCompressionFloor(benchmark::State &state)
{
    SHA_CTX prepared;
    SHA1_Init(&prepared);
    unsigned char block[SHA_CBLOCK] = {};
    quint64 counter = 0;
    for (auto _ : state) {
        block[7] = static_cast<unsigned char>(counter++);
        SHA_CTX context = prepared;
        SHA1_Transform(&context, block);
        SHA1_Transform(&context, block);
        benchmark::DoNotOptimize(context);
    }
}
BENCHMARK(BM_TwoCompressionFloor);

// CPU time, not wall time: the build machine is shared, and a preempted
// wall-clock sample says nothing about the code.
class RecordingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.iterations > 0)
                nanoseconds[run.benchmark_name()]
                    = run.cpu_accumulated_time / double(run.iterations) * 1e9;
    }
    std::map<std::string, double> nanoseconds;
};

struct LagStats
{
    std::vector<double> ms;
    void add(double corrected) { ms.push_back((corrected - std::floor(corrected)) * 1000.0); }
    void print(const char *what) const
    {
        if (ms.empty()) {
            std::printf("%s: no samples\n", what);
            return;
        }
        const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size());
        const double max = *std::max_element(ms.begin(), ms.end());
        std::printf("%s: mean %.2f ms, max %.2f ms over %zu\n", what, mean, max, ms.size());
    }
};

void measureTickLag(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const auto account
        = OTPAuthURL::authURLWithURL(QStringLiteral("otpauth://totp/bench?secret=MZXW6&period=2"));
    LagStats ticks;
    LagStats codes;
    QObject observer;
    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addObserver(&observer, TOTPAuthURL::TOTPAuthURLTimerNotification,
                       TOTPAuthURL::classToken(),
                       [&ticks](const Notification &) { ticks.add(Clock::now()); });
    center.addObserver(&observer, OTPAuthURL::OTPAuthURLDidGenerateNewOTPNotification,
                       account.get(), [&codes](const Notification &) { codes.add(Clock::now()); });
    QTimer::singleShot(10500, &app, &QCoreApplication::quit);
    app.exec();
    ticks.print("tick lag after a whole second");
    codes.print("new-code lag after a period boundary (period 2 s)");
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    measureTickLag(argc, argv);

    const double ours = reporter.nanoseconds["BM_Ours"];
    const double oath = reporter.nanoseconds["BM_Liboath"];
    const double floor = reporter.nanoseconds["BM_TwoCompressionFloor"];
    std::printf("CPU ns per code: ours %.1f, liboath %.1f, floor %.1f\n", ours, oath, floor);
    std::printf("ratio liboath/ours: %.2f\n", ours > 0 ? oath / ours : 0.0);
    std::printf("ratio ours/floor: %.2f\n", floor > 0 ? ours / floor : 0.0);
    return 0;
}
