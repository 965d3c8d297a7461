#pragma once

#include <QLabel>

// Text label of the skinned window: white text on black character cells; the rest of its
// rectangle is not painted, so the dialog's background shows around the text.
class CTransparentStatic : public QLabel
{
    Q_OBJECT
public:
    explicit CTransparentStatic(QWidget* pParent = nullptr);
    ~CTransparentStatic() override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
};
