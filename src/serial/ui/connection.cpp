#include "serial/ui/connection.h"

#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "ui/phase.h"
#include "serial/ui/serial_texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTimer>

#include <memory>

namespace vemtra::serial {

Connection::Connection(ConnectionView view, LinkWorker &worker, BoardSession &session,
                       QObject *parent)
    : QObject(parent), view_(view), worker_(worker), session_(session)
{
    connect(&worker_, &LinkWorker::linkLost, this, &Connection::onLinkLost);
    connect(&worker_, &LinkWorker::linkRestored, this, &Connection::onLinkRestored);
}

void Connection::onLinkLost()
{
    // The voltmeter stops on the same news; the label says why it did.
    if (view_.Label5)
        view_.Label5->setText(texts::disconnected(portNumber_));
}

void Connection::onLinkRestored()
{
    // As VEMTRA初期化 would: the board may have been switched off meanwhile.
    // Label9 keeps what the loss left there (a read-out or programming it cut)
    // until the user's next action.
    const QScopedValueRollback keep(keepLabel9_, true);
    vemtra_init();
}

void Connection::comm_connect(std::function<void()> then)
{
    // Unticking runs the voltmeter's click handling, which stops its timer.
    if (view_.Check1)
        view_.Check1->setChecked(false);

    const bool claimed = session_.begin(QStringLiteral("connection"));

    // A port lost earlier is opened again first; the job below runs after it.
    if (!worker_.isOpen() && !worker_.device().isEmpty())
        worker_.reopen(portSpeed_);

    QPointer<QLabel> label5 = view_.Label5;
    QPointer<QLabel> label9 = view_.Label9;
    const bool keepLabel9 = keepLabel9_;
    QPointer<QTimer> timer1 = view_.Timer1;
    QPointer<Connection> self = this;
    auto result = std::make_shared<ConnectResult>();
    const JobNews news = worker_.newsFor(this);

    qCInfo(ui::lcPhase, "connect");
    worker_.post(
        [news, label5, label9, keepLabel9, timer1, result](Line &line) {
            // Each change reaches the window as it happens, not at the end.
            ConnectObserver observer;
            observer.stage = [news, label5, label9, keepLabel9](ConnectStage stage) {
                // A new attempt clears the last one's speed-change failure.
                const bool clear9 = stage == ConnectStage::Checking9600 && !keepLabel9;
                news([label5, label9, clear9, text = texts::stage(stage)] {
                    if (label5)
                        label5->setText(text);
                    if (clear9 && label9)
                        label9->clear();
                });
            };
            observer.speedChangeFailed = [news, label9](Outcome outcome, std::uint8_t byte) {
                news([label9, text = texts::speedChangeFailure(outcome, byte)] {
                    if (label9)
                        label9->setText(text);
                });
            };
            observer.timerInterval = [news, timer1](int ms) {
                news([timer1, ms] {
                    if (timer1)
                        timer1->setInterval(ms);
                });
            };
            *result = connectBoard(line, observer);
        },
        [self, claimed, result, then = std::move(then)] {
            qCInfo(ui::lcPhase, "idle");
            if (self) {
                if (result->outcome != ConnectOutcome::PortClosed)
                    self->portSpeed_ = result->baud;
                self->last_ = *result;
                if (claimed)
                    self->session_.end();
                emit self->finished(*result);
            }
            if (then)
                then();
        });
}

bool Connection::vemtra_init()
{
    if (session_.isBusy())
        return false;
    comm_connect();
    return true;
}

} // namespace vemtra::serial
