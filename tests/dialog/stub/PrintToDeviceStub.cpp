#include "frmGUI.h"

// Stand-in for the output dispatch while it is not part of the dialog library.
OutputOutcome frmGUI::PrintToDevice(qint16 Ausgabe, QObject* frmPS, qint16 Index)
{
    Q_UNUSED(Ausgabe);
    Q_UNUSED(frmPS);
    Q_UNUSED(Index);
    return OutputOutcome::nothing();
}
