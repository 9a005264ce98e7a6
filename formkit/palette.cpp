#include "palette.h"

namespace formkit {

QPalette fixedPalette()
{
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    const QColor face(192, 192, 192);
    QPalette palette;
    for (const auto &[role, colour] : {
             std::pair { QPalette::Window, face },
             { QPalette::WindowText, black },
             { QPalette::Base, white },
             { QPalette::AlternateBase, QColor(240, 240, 240) },
             { QPalette::Text, black },
             { QPalette::PlaceholderText, QColor(96, 96, 96) },
             { QPalette::Button, QColor(224, 224, 224) },
             { QPalette::ButtonText, black },
             { QPalette::BrightText, white },
             { QPalette::Light, white },
             { QPalette::Midlight, QColor(232, 232, 232) },
             { QPalette::Mid, QColor(160, 160, 160) },
             { QPalette::Dark, QColor(128, 128, 128) },
             { QPalette::Shadow, black },
             { QPalette::Highlight, QColor(0, 0, 128) },
             { QPalette::HighlightedText, white },
             { QPalette::ToolTipBase, QColor(255, 255, 225) },
             { QPalette::ToolTipText, black },
             { QPalette::Link, QColor(0, 0, 255) },
             { QPalette::LinkVisited, QColor(128, 0, 128) },
         })
        palette.setColor(role, colour);
    const QColor greyedOut(96, 96, 96);
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, greyedOut);
    return palette;
}

} // namespace formkit
