#include "ui/DialerKeyboard.h"

namespace vozel::ui {

DialerKeyboard::DialerKeyboard(QObject *parent) : QObject(parent)
{
    connect(&m_capture, &KeyboardCapture::enabledChanged, this, &DialerKeyboard::enabledChanged);
    connect(&m_capture, &KeyboardCapture::windowChanged, this, &DialerKeyboard::windowChanged);
    connect(&m_capture, &KeyboardCapture::triggered, this, [this](DialerKeyAction::Kind kind, const QString &text) {
        if (m_model)
            perform(*m_model, kind, text);
    });
}

void DialerKeyboard::setModel(VozelModel *model)
{
    if (m_model == model)
        return;
    m_model = model;
    emit modelChanged();
}

void DialerKeyboard::perform(VozelModel &model, DialerKeyAction::Kind kind, const QString &text)
{
    switch (kind) {
    case DialerKeyAction::Kind::Digit:
        model.append(text);
        break;
    case DialerKeyAction::Kind::Paste:
        model.pasteNumber(text);
        break;
    case DialerKeyAction::Kind::Delete:
        model.deleteDigit();
        break;
    case DialerKeyAction::Kind::Call:
        model.callOrHangUp();
        break;
    }
}

} // namespace vozel::ui
