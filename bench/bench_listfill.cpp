// List fill: the real window ingesting 1 000, 10 000 and 100 000 servers, timed from the reply
// bytes up to the first server painted. Beside it, the floor: a bare QComboBox of the same size
// given the names ready-made. Runs on the offscreen platform, so no display is needed.
#include "Platform.h"
#include "ReplyCorpus.h"
#include "ServerListParser.h"
#include "Summary.h"
#include "frmMain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QStringList>

#include <map>
#include <memory>
#include <string_view>

namespace {

constexpr int Sizes[] = {1'000, 10'000, 100'000};

// The window only needs a platform that never ends the program; nothing here connects.
class QuietPlatform final : public Platform {
public:
    void showMessage(const QString &) override {}
    void runPendingEvents() override {}
    void endProgram() override {}
    bool programEnded() const override { return false; }
    QByteArray applicationDirectory() const override { return "/nonexistent"; }
    bool startProcess(const QByteArray &, const QList<QByteArray> &) override { return false; }
};

const QByteArray &replyFor(int records) {
    static std::map<int, QByteArray> replies;
    QByteArray &reply = replies[records];
    if (reply.isEmpty())
        reply = realisticReply(records);
    return reply;
}

void BM_WindowListFill(benchmark::State &state) {
    const int records = static_cast<int>(state.range(0));
    const QByteArray &bytes = replyFor(records);
    const std::string_view reply(bytes.constData(), static_cast<size_t>(bytes.size()));
    QuietPlatform platform;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<frmMain>(platform, RegistryEndpoint{});
        window->show();
        QCoreApplication::processEvents();
        const auto *servers = window->findChild<QComboBox *>(QStringLiteral("cmbServers"));
        state.ResumeTiming();

        window->ingestReply(reply);
        window->repaint();

        state.PauseTiming();
        if (servers->count() != records || servers->currentIndex() != 0)
            state.SkipWithError("the window did not list every server with the first shown");
        window.reset();
        state.ResumeTiming();
    }
}

void BM_BareComboFloor(benchmark::State &state) {
    const int records = static_cast<int>(state.range(0));
    QStringList names;
    const QByteArray &bytes = replyFor(records);
    for (const ServerEntry &entry :
         parseServerList(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
        names.append(QString::fromLatin1(entry.Name.data(), qsizetype(entry.Name.size())));
    for (auto _ : state) {
        state.PauseTiming();
        auto combo = std::make_unique<QComboBox>();
        combo->setGeometry(8, 8, 265, 21);
        combo->show();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        combo->addItems(names);
        combo->setCurrentIndex(0);
        combo->repaint();

        state.PauseTiming();
        combo.reset();
        state.ResumeTiming();
    }
}

void sizes(benchmark::internal::Benchmark *benchmark) {
    for (const int records : Sizes)
        benchmark->Arg(records);
    benchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_WindowListFill)->Apply(sizes);
BENCHMARK(BM_BareComboFloor)->Apply(sizes);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchmarkRun run = runBenchmarks(argc, argv);

    std::string report = "## List fill\n\n"
                         "A fresh `frmMain` (offscreen platform, a do-nothing Platform) already "
                         "shown, then timed: `ingestReply` on the reply bytes and a synchronous "
                         "repaint, so the first server is on screen. The floor is a bare shown "
                         "`QComboBox` given the same names as a ready `QStringList`. Median of "
                         "the repetitions.\n\n"
                         "| servers | window ms | bare combo floor ms | window / floor |\n"
                         "|---:|---:|---:|---:|\n";
    std::map<int, double> windowMs;
    for (const int records : Sizes) {
        const std::string suffix = "/" + std::to_string(records);
        windowMs[records] = run.at("BM_WindowListFill" + suffix).realNsPerIteration / 1e6;
        const double floorMs = run.at("BM_BareComboFloor" + suffix).realNsPerIteration / 1e6;
        report += format("| %d | %.2f | %.2f | %.2fx |\n", records, windowMs[records], floorMs,
                         windowMs[records] / floorMs);
    }
    report += "\n| target | figure | verdict |\n|---|---:|---|\n";
    report += format("| 100 000 servers listed in under 150 ms | %.1f ms | %s |\n",
                     windowMs[100'000], verdict(windowMs[100'000] < 150).c_str());
    report += format("| 1 000 servers listed in under 5 ms | %.2f ms | %s |\n\n", windowMs[1'000],
                     verdict(windowMs[1'000] < 5).c_str());
    appendReport(run, report);
    return 0;
}
