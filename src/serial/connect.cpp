#include "serial/connect.h"

#include "serial/exchange.h"
#include "serial/protocol.h"

namespace vemtra::serial {

namespace {

using namespace protocol;

// Sends one letter, waits the fixed gap and looks once at what came back.
std::optional<Reply> sendAndLook(Line &line, char letter)
{
    sendLetter(line, letter);
    pace(line);
    return takeReply(line);
}

class Steps {
public:
    Steps(Line &line, ConnectObserver &observer) : line_(line), observer_(observer) {}

    void stage(ConnectStage stage)
    {
        if (observer_.stage)
            observer_.stage(stage);
    }
    void timer(int ms)
    {
        result_.timerInterval = ms;
        if (observer_.timerInterval)
            observer_.timerInterval(ms);
    }
    ConnectResult speedChangeFailed(Outcome outcome, std::uint8_t byte)
    {
        result_.speedChange = outcome;
        result_.byte = byte;
        if (observer_.speedChangeFailed)
            observer_.speedChangeFailed(outcome, byte);
        return finish(ConnectOutcome::Only9600);
    }
    ConnectResult finish(ConnectOutcome outcome)
    {
        // Whatever the steps saw, a port gone meanwhile is the cause: the
        // attempt began on an open line.
        result_.outcome = outcome != ConnectOutcome::PortClosed && !line_.isOpen()
                              ? ConnectOutcome::LineLost
                              : outcome;
        result_.baud = line_.speed();
        return result_;
    }

private:
    Line &line_;
    ConnectObserver &observer_;
    ConnectResult result_;
};

} // namespace

ConnectResult connectBoard(Line &line, ConnectObserver &observer)
{
    Steps steps(line, observer);
    steps.stage(ConnectStage::Checking9600);

    // Without an open port nothing can be sent; the attempt ends as if no board
    // had answered, and the program runs on.
    if (!line.isOpen()) {
        steps.stage(ConnectStage::FailedBoth);
        return steps.finish(ConnectOutcome::PortClosed);
    }

    flush(line);
    steps.timer(timerInterval9600);

    // Probe at 9600 bps. The first "t" only wakes the board; its answer is
    // thrown away and the second one is judged.
    line.setSpeed(kSlowBaud);
    sendAndLook(line, kProbe);
    flush(line);
    bool found9600 = false;
    if (auto echo = sendAndLook(line, kProbe); echo && echo->startsWith(kProbe)) {
        steps.stage(ConnectStage::Established9600);
        found9600 = true;
        steps.timer(timerInterval9600);
    } else {
        steps.stage(ConnectStage::Failed9600);
    }

    // Probe at 19200 bps whatever 9600 found: a board already switched answers here.
    steps.stage(ConnectStage::Checking19200);
    line.setSpeed(kFastBaud);
    if (auto echo = sendAndLook(line, kProbe); echo && echo->startsWith(kProbe)) {
        steps.stage(ConnectStage::Established19200);
        steps.timer(timerInterval19200);
        return steps.finish(ConnectOutcome::Found19200);
    }
    if (!found9600) {
        steps.stage(ConnectStage::FailedBoth);
        return steps.finish(ConnectOutcome::NotFound);
    }

    // Speed change: the board answered at 9600 bps only.
    steps.stage(ConnectStage::Checking19200);
    line.setSpeed(kSlowBaud);
    flush(line);
    flush(line);
    const auto echo = sendAndLook(line, kSpeedChange);
    if (!echo)
        return steps.speedChangeFailed(Outcome::NoEcho, 0);
    if (!echo->startsWith(kSpeedChange))
        return steps.speedChangeFailed(Outcome::WrongEcho, echo->first());
    sendParamBlock(line, {kSpeedChangeBlock.begin(), kSpeedChangeBlock.end()});
    const auto ack = takeReply(line);
    // Nothing new coming back leaves the number that of the "s" echo.
    if (!ack)
        return steps.speedChangeFailed(Outcome::NoAnswer, echo->first());
    if (!ack->startsWith(kSpeedChangeDone))
        return steps.speedChangeFailed(Outcome::WrongAnswer, ack->first());
    line.setSpeed(kFastBaud);
    steps.timer(timerInterval19200);
    steps.stage(ConnectStage::Switched19200);
    return steps.finish(ConnectOutcome::Switched);
}

} // namespace vemtra::serial
