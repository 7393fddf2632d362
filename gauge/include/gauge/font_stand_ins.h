#pragma once
// The gauge's face and the panel's description name "MS Sans Serif", which a Linux
// desktop seldom has; free faces of its kind stand in, best first. The narrow one keeps
// the panel's channel captions within their buttons. Header only, so that the panel,
// which loads the gauge library rather than linking it, installs the same list.

#include <QFont>
#include <QString>

namespace gaugix {

inline void installFontStandIns()
{
    static const bool installed = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Liberation Sans"),
                                    QStringLiteral("DejaVu Sans")});
        return true;
    }();
    (void)installed;
}

} // namespace gaugix
