#include <QImage>
#include <QPainter>
#include <memory>

#include "data/daymodel.h"
#include "bench.h"
#include "peers/dbbwriter.h"

namespace {

// The Leq of each minute of a day, as the day loader computes it, without a QApplication,
// and with one after Qt has drawn: Qt's routines may leave the upper halves of the vector
// registers in use, which slows every maths call that follows until the state is cleared.
std::unique_ptr<TSampleBuffer> DaySamples()
{
    auto samples = std::make_unique<TSampleBuffer>();
    const int64_t day = dbbtest::UtcSeconds(2007, 11, 23);
    for (int i = 0; i < SampleBufferWords; ++i)
        (*samples)[size_t(i)] = dbbtest::PositionWord(day + 60 * (i / 100), i % 100);
    return samples;
}

void MinuteByMinute(const TSampleBuffer& samples, TMinuteLevels& levels)
{
    for (int i = 0; i < MinutesPerDay; ++i)
        levels[size_t(i)] = CalcLeq(samples.data() + SamplesPerMinute * i, SamplesPerMinute);
}

void LeqBeforeApplication()
{
    const auto samples = DaySamples();
    auto levels = std::make_unique<TMinuteLevels>();
    const std::vector<double> t = bench::AlternatingMedians(
        5, 41, {[&] { MinuteByMinute(*samples, *levels); }, [&] { CalcMinuteLevels(*samples, *levels); }});
    bench::Figure("leq_day_minute_by_minute_before_qapplication", t[0], "us");
    bench::Figure("leq_day_before_qapplication", t[1], "us");
}
QWL_BENCH_BEFORE_APPLICATION(LeqBeforeApplication);

void LeqAfterApplication()
{
    const auto samples = DaySamples();
    auto levels = std::make_unique<TMinuteLevels>();
    QImage image(1392, 586, QImage::Format_RGB32);
    const auto drawn = [&] {
        QPainter p(&image);
        p.fillRect(image.rect(), Qt::white);
        p.drawText(10, 20, QStringLiteral("12:00"));
    };
    const std::vector<double> t = bench::AlternatingMedians(5, 41,
                                                            {[&] {
                                                                 drawn();
                                                                 MinuteByMinute(*samples, *levels);
                                                             },
                                                             [&] {
                                                                 drawn();
                                                                 CalcMinuteLevels(*samples, *levels);
                                                             },
                                                             drawn});
    bench::Figure("leq_day_minute_by_minute_after_qapplication", t[0] - t[2], "us");
    bench::Figure("leq_day_after_qapplication", t[1] - t[2], "us");
}
QWL_BENCH(LeqAfterApplication);

}  // namespace
