#pragma once

// Helpers shared by the skinned-control tests.

#include "framework/messages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>

#include <vector>

// A parent that records the window messages posted to it.
class MessageSink : public QWidget
{
public:
    struct Message
    {
        int nType;
        quintptr wParam;
        qintptr lParam;
        bool operator==(const Message& o) const
        {
            return nType == o.nType && wParam == o.wParam && lParam == o.lParam;
        }
    };

    // Delivers what was posted so far and hands it over.
    std::vector<Message> Take()
    {
        QCoreApplication::sendPostedEvents(this, 0);
        std::vector<Message> taken;
        taken.swap(m_messages);
        return taken;
    }

protected:
    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() == WM_SLIDER_TRACK || pEvent->type() == WM_SLIDER_CHANGED) {
            auto* pMsg = static_cast<CMessageEvent*>(pEvent);
            m_messages.push_back({int(pEvent->type()), pMsg->m_wParam, pMsg->m_lParam});
            return true;
        }
        return QWidget::event(pEvent);
    }

private:
    std::vector<Message> m_messages;
};

// What the widget paints, as 32-bit RGB.
inline QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// An image whose every pixel differs from its neighbours, so that misplaced copies show.
inline QImage PatternImage(int nWidth, int nHeight, int nSeed = 0)
{
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    for (int y = 0; y < nHeight; ++y) {
        for (int x = 0; x < nWidth; ++x)
            image.setPixel(x, y, qRgb((x * 7 + nSeed) & 0xFF, (y * 13 + x + nSeed * 3) & 0xFF, (x * y + 40) & 0xFF));
    }
    return image;
}

inline QImage SolidImage(int nWidth, int nHeight, QRgb rgb)
{
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(rgb);
    return image;
}

inline QRgb Rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

// An RGB value as Rgb() reads it back.
constexpr QRgb C(int r, int g, int b)
{
    return qRgb(r, g, b) & 0xFFFFFF;
}
