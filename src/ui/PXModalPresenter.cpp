#include "PXModalPresenter.h"

#include "PXActionSheet.h"
#include "PXAlertView.h"
#include "UiLog.h"

#include <QPointer>
#include <QTimer>

namespace {

struct PresenterState
{
    QList<int> script;
    bool recording = false;
    QList<PXModalPresenter::Presentation> log;
};

PresenterState &state()
{
    static PresenterState s;
    return s;
}

void deliver(QWidget *host, const PXModalPresenter::Answer &answer, int index)
{
    if (!answer)
        return;
    QPointer<QWidget> guard(host);
    QTimer::singleShot(0, host, [guard, answer, index] {
        if (guard)
            answer(index);
    });
}

// The answer reaches the caller only while its host lives.
void forwardAnswer(PXModalOverlay *modal, QWidget *host, const PXModalPresenter::Answer &answer)
{
    QPointer<QWidget> guard(host);
    QObject::connect(modal, &PXModalOverlay::chosen, modal, [guard, answer](int index) {
        if (guard && answer)
            answer(index);
    });
}

} // namespace

bool PXModalPresenter::answerFromScript(QWidget *host, const Presentation &p, const Answer &answer)
{
    PresenterState &s = state();
    if (s.recording)
        s.log.append(p);
    if (s.script.isEmpty())
        return false;
    const int index = s.script.takeFirst();
    qCDebug(lcUi) << "scripted answer" << index;
    deliver(host, answer, index);
    return true;
}

void PXModalPresenter::showAlert(QWidget *host, const QString &title, const QString &message,
                                 const QStringList &buttons, Answer answer)
{
    if (answerFromScript(host, {Kind::Alert, title, message, buttons}, answer))
        return;
    if (!host) {
        qCWarning(lcUi) << "alert without a host window";
        return;
    }
    auto *alert = new PXAlertView(title, message, buttons, host->window());
    forwardAnswer(alert, host, answer);
    alert->present();
}

void PXModalPresenter::showActionSheet(QWidget *host, const QStringList &buttons,
                                       const QString &cancelTitle, Answer answer)
{
    QStringList all = buttons;
    all.append(cancelTitle);
    if (answerFromScript(host, {Kind::ActionSheet, {}, {}, all}, answer))
        return;
    if (!host) {
        qCWarning(lcUi) << "action sheet without a host window";
        return;
    }
    auto *sheet = new PXActionSheet(buttons, cancelTitle, host->window());
    forwardAnswer(sheet, host, answer);
    sheet->present();
}

QPointer<QWidget> PXModalPresenter::showPrompt(QWidget *host, const QString &title,
                                               const QString &message, const QStringList &buttons,
                                               Answer answer)
{
    if (answerFromScript(host, {Kind::Prompt, title, message, buttons}, answer) || !host)
        return {};
    auto *prompt = new PXAlertView(title, message, buttons, host->window());
    forwardAnswer(prompt, host, answer);
    prompt->present();
    return prompt;
}

void PXModalPresenter::scriptAnswers(const QList<int> &indices)
{
    state().recording = true;
    state().script.append(indices);
}

int PXModalPresenter::scriptedAnswersLeft()
{
    return int(state().script.size());
}

void PXModalPresenter::setRecording(bool on)
{
    state().recording = on;
    if (!on)
        state().log.clear();
}

QList<PXModalPresenter::Presentation> PXModalPresenter::presentations()
{
    return state().log;
}

void PXModalPresenter::clear()
{
    state().script.clear();
    state().log.clear();
}
