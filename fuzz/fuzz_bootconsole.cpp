// The virtual chip's boot console on arbitrary input bytes and fault knobs: the
// tests rely on it, so it must never crash, never grow its flash and keep its
// line buffer bounded, whatever arrives on the wire.
#include "BootConsole.h"
#include "ChipKnobs.h"
#include "FuzzCheck.h"

#include <QByteArray>

#include <fuzzer/FuzzedDataProvider.h>

namespace {

ChipKnobs fuzzedKnobs(FuzzedDataProvider& in)
{
    ChipKnobs k;
    k.usageReply = in.ConsumeBool();
    k.dropEchoes = in.ConsumeIntegralInRange(0, 3);
    k.splitReplyAt = in.ConsumeIntegralInRange(-1, 40);
    k.md4Word = in.ConsumeIntegral<quint32>();
    k.md4LowerCase = in.ConsumeBool();
    k.startInLoadxReply = in.ConsumeBool();
    k.nakPacket = in.ConsumeIntegralInRange(-1, 3);
    k.nakForever = in.ConsumeBool();
    k.cancelAtPacket = in.ConsumeIntegralInRange(-1, 3);
    k.strangeAnswerAtPacket = in.ConsumeIntegralInRange(-1, 3);
    k.ackWithStartChar = in.ConsumeBool();
    k.ignoreEot = in.ConsumeBool();
    k.nakEot = in.ConsumeBool();
    k.wrongChecksum = in.ConsumeBool();
    k.unreadableChecksum = in.ConsumeBool();
    k.checksumEndsAtDigits = in.ConsumeBool();
    k.checksumLowerCase = in.ConsumeBool();
    k.garbledChecksum = in.ConsumeBool();
    k.eraseNeverCompletes = in.ConsumeBool();
    k.eraseCompletesAtAttempt = in.ConsumeIntegralInRange(-1, 3);
    k.echoBehindPrompt = in.ConsumeBool();
    k.echoDoubledSpace = in.ConsumeBool();
    k.mdExtraWords = in.ConsumeIntegralInRange(0, 3);
    k.mdCutAtCommand = in.ConsumeIntegralInRange(-1, 3);
    k.mdCutAfterWords = in.ConsumeIntegralInRange(-1, 20);
    k.mdRestDelayMs = in.ConsumeIntegralInRange(-1, 5);
    k.commandDelayMs = in.ConsumeIntegralInRange(0, 3);
    k.checksumUsPerKiB = in.ConsumeIntegralInRange(0, 1000);
    k.loadDoneDelayMs = in.ConsumeIntegralInRange(0, 3);
    k.receiverTimeoutMs = in.ConsumeIntegralInRange(0, 3000);
    return k;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    static const int flashSizes[] = { 0, 1, 4095, 4096, 0x11000 };
    const int flashSize = flashSizes[in.ConsumeIntegralInRange(0, 4)];
    ChipKnobs knobs = fuzzedKnobs(in);
    const std::string input = in.ConsumeRemainingBytesAsString();

    qint64 sent = 0;
    BootConsole console(
        flashSize, [&sent](const QByteArray& bytes, qint64) { sent += bytes.size(); },
        [](ChipEvent::Kind, const QByteArray&, const QByteArray&) {});
    qint64 nowUs = 0;
    for (const char byte : input) {
        console.receive(byte, knobs, nowUs);
        nowUs += 87; // about one byte time at 115200 baud
        const qint64 next = console.nextTickUs(nowUs, knobs);
        FUZZ_CHECK(next >= -1);
        if (next >= 0 && next < 2000000) {
            nowUs += next;
            console.tick(knobs, nowUs);
        }
        FUZZ_CHECK(console.flash().size() == flashSize);
    }
    console.reset();
    console.receive('\r', knobs, nowUs);
    FUZZ_CHECK(console.flash().size() == flashSize);
    FUZZ_CHECK(sent >= 0);
    return 0;
}
