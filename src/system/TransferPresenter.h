#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

namespace vozel {

// Asks for the extension or number to transfer the current call to, in a floating panel
// of its own that stays above other windows. The dialer presents it through isPresented
// and gets the cleaned target through confirmed(); it hides the panel once the transfer
// has started. The typed text stays in the field between showings.
class TransferPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool isPresented READ isPresented WRITE setPresented NOTIFY isPresentedChanged)

public:
    explicit TransferPresenter(QObject *parent = nullptr);
    ~TransferPresenter() override;

    bool isPresented() const { return m_presented; }
    void setPresented(bool presented);

    // The panel, once it has been shown.
    QQuickWindow *panel() const { return m_panel; }

signals:
    void isPresentedChanged();
    void confirmed(const QString &target);
    // The user dismissed the panel; closes made by this presenter never report it.
    void cancelled();

private slots:
    void confirm();
    void cancel();
    void panelVisibilityChanged(bool visible);

private:
    void show();
    void hide();

    QPointer<QQuickWindow> m_panel;
    bool m_presented = false;
    bool m_closingProgrammatically = false;
};

} // namespace vozel
