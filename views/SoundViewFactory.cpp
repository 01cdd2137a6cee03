#include "views/SoundViewFactory.h"

#include "views/PlaceholderView.h"

QWidget* CreateSoundView(SoundPane pane, CSoundDoc* pDoc, QWidget* pParent)
{
    const QString role = pane == SoundPane::Sequence ? QStringLiteral("Sequence editor")
                                                     : QStringLiteral("Pattern editor");
    return new CPlaceholderView(role, pDoc, pParent);
}
