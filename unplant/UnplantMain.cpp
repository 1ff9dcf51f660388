// The uninstaller's body: which of its three ways it was started.
#include "app/AppMain.h"

#include "app/Application.h"
#include "footprint/OneAtATime.h"
#include "sys/Str.h"
#include "unplant/Unplant.h"

int AppMain()
{
    if (!StrCompareNI(App.tail, "finish ", 7))
        return Unplant::Finish(App.tail + 7);
    UnplantMode mode = !StrCompareI(App.tail, "shh")  ? SHH
                       : !StrCompareI(App.tail, "/S") ? SILENT
                                                      : ASK;
    // An installer's own run ("shh") is part of that installer's turn; the
    // copy that deletes this program inherits the guard with its handles.
    if (mode != SHH && !OneAtATime(true))
        return UNPLANT_DONE;
    return Unplant(mode).Run();
}
