// The uninstaller's body: which of its three ways it was started.
#include "app/AppMain.h"

#include "app/Application.h"
#include "sys/Str.h"
#include "unplant/Unplant.h"

int AppMain()
{
    if (!StrCompareNI(App.tail, "finish ", 7))
        return Unplant::Finish(App.tail + 7);
    Unplant unplant(!StrCompareI(App.tail, "shh")  ? SHH
                    : !StrCompareI(App.tail, "/S") ? SILENT
                                                   : ASK);
    return unplant.Run();
}
