#include "ui/TMessageBoxPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace
{

QMessageBox::Icon IconOf(TPrompts::Kind kind)
{
    switch (kind) {
    case TPrompts::Kind::Plain:
        return QMessageBox::NoIcon;
    case TPrompts::Kind::Information:
        return QMessageBox::Information;
    case TPrompts::Kind::Warning:
        return QMessageBox::Warning;
    case TPrompts::Kind::Error:
        return QMessageBox::Critical;
    case TPrompts::Kind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ButtonOf(TPrompts::Answer answer)
{
    switch (answer) {
    case TPrompts::Answer::Yes:
        return QMessageBox::Yes;
    case TPrompts::Answer::No:
        return QMessageBox::No;
    case TPrompts::Answer::Cancel:
        return QMessageBox::Cancel;
    case TPrompts::Answer::Retry:
        return QMessageBox::Retry;
    case TPrompts::Answer::Start:
        break; // a button of its own
    }
    return QMessageBox::Cancel;
}

} // namespace

void TMessageBoxPrompts::Message(Kind kind, const QString& caption, const QString& text)
{
    QMessageBox box(IconOf(kind), caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

bool TMessageBoxPrompts::Question(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

TPrompts::Answer TMessageBoxPrompts::Ask(Kind kind, const QString& caption, const QString& text,
                                         const QList<Answer>& buttons, Answer defaultAnswer,
                                         Answer escapeAnswer)
{
    QMessageBox box(IconOf(kind), caption, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QList<std::pair<QAbstractButton*, Answer>> added;
    for (const Answer answer : buttons) {
        QAbstractButton* button =
            answer == Answer::Start
                ? box.addButton(QMessageBox::tr("Start"), QMessageBox::AcceptRole)
                : box.addButton(ButtonOf(answer));
        added.append({button, answer});
        if (answer == defaultAnswer)
            box.setDefaultButton(qobject_cast<QPushButton*>(button));
        if (answer == escapeAnswer)
            box.setEscapeButton(button);
    }
    box.exec();
    for (const auto& [button, answer] : added)
        if (box.clickedButton() == button)
            return answer;
    return escapeAnswer;
}

QString TMessageBoxPrompts::OpenFileName(const QString& caption, const QString& directory,
                                         const QString& filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, directory, filter);
}

QString TMessageBoxPrompts::SaveFileName(const QString& caption, const QString& fileName,
                                         const QString& filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, fileName, filter);
}
