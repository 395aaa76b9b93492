#include "program_resources.h"

#include "resources/resource_ids.h"
#include "resources/completion_dialog.def"

static void InstallStrings(sim::Machine& machine)
{
#define QUARVEL_STRING(id, text) machine.program.strings[id] = text;
#include "resources/strings.def"
#undef QUARVEL_STRING
}

static void InstallCompletionDialog(sim::Machine& machine)
{
    sim::DialogTemplate dialog;
    dialog.caption = COMPLETION_DIALOG_CAPTION;
    dialog.fontName = COMPLETION_DIALOG_FONT;
    dialog.pointSize = COMPLETION_DIALOG_POINT_SIZE;
    dialog.style = COMPLETION_DIALOG_STYLE;
    dialog.exStyle = 0;
    dialog.x = COMPLETION_DIALOG_X;
    dialog.y = COMPLETION_DIALOG_Y;
    dialog.cx = COMPLETION_DIALOG_CX;
    dialog.cy = COMPLETION_DIALOG_CY;
#define QUARVEL_DIALOG_PICTURE(picture, id, cls, style, x, y, cx, cy) \
    dialog.controls.push_back(sim::DialogControl{cls, "", picture, id, x, y, cx, cy, style});
#define QUARVEL_DIALOG_CONTROL(text, id, cls, style, x, y, cx, cy) \
    dialog.controls.push_back(sim::DialogControl{cls, text, 0, id, x, y, cx, cy, style});
    COMPLETION_DIALOG_CONTROLS
#undef QUARVEL_DIALOG_PICTURE
#undef QUARVEL_DIALOG_CONTROL
    machine.program.dialogs[IDD_COMPLETION] = dialog;
}

void InstallProgramResources(sim::Machine& machine)
{
    InstallStrings(machine);
    InstallCompletionDialog(machine);
}
