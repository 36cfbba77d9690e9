#include "PXModalPresenter.h"

#include "PXActionSheet.h"
#include "PXFont.h"
#include "UiLog.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

struct PresenterState
{
    QList<int> script;
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

QMessageBox *makeAlert(QWidget *host, const QString &title, const QString &message,
                       const QStringList &buttons)
{
    auto *box = new QMessageBox(host ? host->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(message);
    box->setFont(PXFont::fontWithSize(16));
    // Phone alerts are about 270 points wide; keep short messages on one line.
    box->setStyleSheet(QStringLiteral("QLabel { min-width: 220px; }"));
    // One role for all keeps the buttons in the order given.
    for (const QString &text : buttons)
        box->addButton(text, QMessageBox::ActionRole)->setFont(PXFont::fontWithSize(16));
    if (!box->buttons().isEmpty())
        box->setEscapeButton(box->buttons().first());
    return box;
}

} // namespace

bool PXModalPresenter::answerFromScript(QWidget *host, const Presentation &p, const Answer &answer)
{
    PresenterState &s = state();
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
    QMessageBox *box = makeAlert(host, title, message, buttons);
    QPointer<QWidget> guard(host);
    QObject::connect(box, &QMessageBox::finished, box, [box, guard, answer] {
        const int index = box->buttons().indexOf(box->clickedButton());
        if (guard && answer)
            answer(qMax(0, index));
    });
    box->open();
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
    QPointer<QWidget> guard(host);
    QObject::connect(sheet, &PXActionSheet::chosen, sheet, [guard, answer](int index) {
        if (guard && answer)
            answer(index);
    });
    sheet->present();
}

void PXModalPresenter::scriptAnswers(const QList<int> &indices)
{
    state().script.append(indices);
}

int PXModalPresenter::scriptedAnswersLeft()
{
    return int(state().script.size());
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
