/* The scripted user of the end-to-end tests: a small Windows program that
   runs beside the installer, finds every top-level window that the
   installer's process shows (its message boxes and its dialog), writes down
   what the window says and offers, answers it as the script says, and leaves
   a transcript for the harness to compare with the expected one.

   Usage: scripted_user.exe SCRIPT TRANSCRIPT WORKFOLDER
   SCRIPT, one instruction a line ('#' starts a comment):
     image NAME          the installer's image name (default setup.exe)
     timeout SECONDS     how long to wait for each expected window (default 30)
     hold PATH           open PATH with share mode 0 before the installer starts
     box ANSWER [release] [shot NAME]
                         the next window is a message box: record it, then
                         (release: close the held files first) press ANSWER
     dialog ANSWER [template ID] [shot NAME]
                         the next window is a dialog: record its controls
                         one by one (in the dialog units of the installer's
                         dialog template ID when given), then press ANSWER
   ANSWER is a button id or one of ok, cancel, abort, retry, ignore, yes, no.
   shot NAME saves the window as WORKFOLDER\NAME.bmp before it is answered.

   WORKFOLDER: the program writes "ready" there once the held files are open
   (the harness starts the installer after that) and reads "done", which the
   harness writes when the installer's process has ended, in case the process
   came and went between two looks.

   The exit code is 0 when every window was expected and every expected
   window came, 1 otherwise, 2 for a bad command line or script. */
#include <windows.h>
#include <tlhelp32.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { StepBox, StepDialog };

typedef struct {
    int kind;
    int answer;
    int release;
    int templateId;
    char shot[64];
} Step;

enum { MaxSteps = 64, MaxHolds = 8, MaxSeen = 256 };

static Step steps[MaxSteps];
static int stepCount;
static char holdPaths[MaxHolds][MAX_PATH];
static HANDLE holds[MaxHolds];
static int holdCount;
static char imageName[MAX_PATH] = "setup.exe";
static DWORD stepTimeoutMs = 30000;
static char workFolder[MAX_PATH];

static FILE* transcript;
static int failed;

static HWND seen[MaxSeen];
static int seenCount;

static void Record(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vfprintf(transcript, format, args);
    va_end(args);
    fflush(transcript);
}

/* Writes text in double quotes; line breaks, tabs, quotes and other control
   characters are escaped, every other byte (backslashes too) stands as is. */
static void RecordQuoted(const char* text)
{
    fputc('"', transcript);
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        switch (*p) {
        case '\n': fputs("\\n", transcript); break;
        case '\r': fputs("\\r", transcript); break;
        case '\t': fputs("\\t", transcript); break;
        case '"': fputs("\\\"", transcript); break;
        default:
            if (*p < 0x20 || *p == 0x7F)
                fprintf(transcript, "\\x%02X", *p);
            else
                fputc(*p, transcript);
        }
    }
    fputc('"', transcript);
    fflush(transcript);
}

static void Fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("FAIL ", transcript);
    vfprintf(transcript, format, args);
    fputc('\n', transcript);
    fflush(transcript);
    va_end(args);
    failed = 1;
}

static int ParseAnswer(const char* word)
{
    static const struct { const char* name; int id; } names[] = {
        {"ok", IDOK}, {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
        {"ignore", IDIGNORE}, {"yes", IDYES}, {"no", IDNO},
    };
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (_stricmp(word, names[i].name) == 0)
            return names[i].id;
    char* end;
    long id = strtol(word, &end, 10);
    return (*word != '\0' && *end == '\0' && id > 0 && id < 0x10000) ? (int)id : -1;
}

static int ReadScript(const char* path)
{
    FILE* file = fopen(path, "r");
    if (file == NULL) {
        fprintf(stderr, "scripted_user: cannot read %s\n", path);
        return 0;
    }
    char line[1024];
    int lineNumber = 0;
    while (fgets(line, sizeof line, file) != NULL) {
        ++lineNumber;
        line[strcspn(line, "\r\n")] = '\0';
        char* text = line + strspn(line, " \t");
        if (*text == '\0' || *text == '#')
            continue;
        char* rest = text + strcspn(text, " \t");
        if (*rest != '\0')
            *rest++ = '\0';
        rest += strspn(rest, " \t");

        if (strcmp(text, "image") == 0 && *rest != '\0') {
            snprintf(imageName, sizeof imageName, "%s", rest);
        } else if (strcmp(text, "timeout") == 0 && atoi(rest) > 0) {
            stepTimeoutMs = (DWORD)atoi(rest) * 1000;
        } else if (strcmp(text, "hold") == 0 && *rest != '\0' && holdCount < MaxHolds) {
            snprintf(holdPaths[holdCount++], MAX_PATH, "%s", rest);
        } else if ((strcmp(text, "box") == 0 || strcmp(text, "dialog") == 0) && stepCount < MaxSteps) {
            Step* step = &steps[stepCount];
            memset(step, 0, sizeof *step);
            step->kind = strcmp(text, "box") == 0 ? StepBox : StepDialog;
            step->answer = -1;
            for (char* word = strtok(rest, " \t"); word != NULL; word = strtok(NULL, " \t")) {
                if (strcmp(word, "release") == 0) {
                    step->release = 1;
                } else if (strcmp(word, "shot") == 0) {
                    char* name = strtok(NULL, " \t");
                    if (name == NULL)
                        break;
                    snprintf(step->shot, sizeof step->shot, "%s", name);
                } else if (strcmp(word, "template") == 0) {
                    char* id = strtok(NULL, " \t");
                    step->templateId = id != NULL ? atoi(id) : 0;
                    if (step->templateId <= 0) {
                        step->answer = -1;
                        break;
                    }
                } else if (step->answer < 0) {
                    step->answer = ParseAnswer(word);
                    if (step->answer < 0)
                        break;
                } else {
                    step->answer = -1;
                    break;
                }
            }
            if (step->answer < 0) {
                fprintf(stderr, "scripted_user: %s:%d: bad step\n", path, lineNumber);
                fclose(file);
                return 0;
            }
            ++stepCount;
        } else {
            fprintf(stderr, "scripted_user: %s:%d: cannot read \"%s\"\n", path, lineNumber, text);
            fclose(file);
            return 0;
        }
    }
    fclose(file);
    return 1;
}

static void WorkFile(char* path, size_t size, const char* name)
{
    snprintf(path, size, "%s\\%s", workFolder, name);
}

static int WorkFileExists(const char* name)
{
    char path[MAX_PATH];
    WorkFile(path, sizeof path, name);
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static void OpenHolds(void)
{
    for (int i = 0; i < holdCount; ++i) {
        holds[i] = CreateFileA(holdPaths[i], GENERIC_READ, 0, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
        if (holds[i] == INVALID_HANDLE_VALUE)
            Fail("cannot hold %s: error %lu", holdPaths[i], GetLastError());
        else
            Record("hold %s\n", holdPaths[i]);
    }
}

static void ReleaseHolds(int recorded)
{
    for (int i = 0; i < holdCount; ++i) {
        if (holds[i] != INVALID_HANDLE_VALUE && holds[i] != NULL) {
            CloseHandle(holds[i]);
            if (recorded)
                Record("  release %s\n", holdPaths[i]);
        }
        holds[i] = NULL;
    }
}

static DWORD FindProcess(void)
{
    DWORD found = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        const char* base = strrchr(entry.szExeFile, '\\');
        base = base != NULL ? base + 1 : entry.szExeFile;
        if (_stricmp(base, imageName) == 0) {
            found = entry.th32ProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

typedef struct {
    DWORD processId;
    HWND found;
} WindowSearch;

static int AlreadySeen(HWND window)
{
    for (int i = 0; i < seenCount; ++i)
        if (seen[i] == window)
            return 1;
    return 0;
}

static BOOL CALLBACK FindNewWindow(HWND window, LPARAM parameter)
{
    WindowSearch* search = (WindowSearch*)parameter;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window) || AlreadySeen(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

static HWND NextNewWindow(DWORD processId)
{
    WindowSearch search = {processId, NULL};
    EnumWindows(FindNewWindow, (LPARAM)&search);
    return search.found;
}

typedef struct {
    HWND items[64];
    int count;
} ChildList;

static BOOL CALLBACK CollectChild(HWND window, LPARAM parameter)
{
    ChildList* list = (ChildList*)parameter;
    if (GetParent(window) != NULL && list->count < 64)
        list->items[list->count++] = window;
    return TRUE;
}

/* The direct children of a window, in the order of their creation. */
static void ListChildren(HWND window, ChildList* list)
{
    list->count = 0;
    EnumChildWindows(window, CollectChild, (LPARAM)list);
    int kept = 0;
    for (int i = 0; i < list->count; ++i)
        if (GetParent(list->items[i]) == window)
            list->items[kept++] = list->items[i];
    list->count = kept;
}

static void WindowText(HWND window, char* text, int size)
{
    text[0] = '\0';
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_GETTEXT, (WPARAM)size, (LPARAM)text, SMTO_ABORTIFHUNG, 2000,
                        &result);
    text[size - 1] = '\0';
}

static int ControlId(HWND control)
{
    return (short)(GetWindowLongPtrA(control, GWLP_ID) & 0xFFFF);
}

static int IsClass(HWND window, const char* name)
{
    char className[64];
    GetClassNameA(window, className, sizeof className);
    return _stricmp(className, name) == 0;
}

/* A message box: its title, its text, its buttons from left to right, the
   default button and whether an icon shows. */
static void RecordBox(HWND box)
{
    char text[4096];
    WindowText(box, text, sizeof text);
    Record("box ");
    RecordQuoted(text);
    Record("\n");

    ChildList children;
    ListChildren(box, &children);
    HWND buttons[16];
    int buttonCount = 0;
    int textShown = 0;
    int iconShown = 0;
    for (int i = 0; i < children.count; ++i) {
        HWND child = children.items[i];
        if (!IsWindowVisible(child))
            continue;
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if (IsClass(child, "Button") && buttonCount < 16) {
            buttons[buttonCount++] = child;
        } else if (IsClass(child, "Static") && (style & SS_TYPEMASK) == SS_ICON) {
            /* A box without an icon may keep an empty icon control. */
            DWORD_PTR icon = 0;
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
            if (icon != 0)
                iconShown = 1;
        } else if (IsClass(child, "Static") && !textShown) {
            WindowText(child, text, sizeof text);
            Record("  text ");
            RecordQuoted(text);
            Record("\n");
            textShown = 1;
        }
    }
    if (!textShown)
        Record("  text none\n");
    /* Left to right, as the user reads them. */
    for (int i = 1; i < buttonCount; ++i)
        for (int j = i; j > 0; --j) {
            RECT a, b;
            GetWindowRect(buttons[j - 1], &a);
            GetWindowRect(buttons[j], &b);
            if (b.left >= a.left)
                break;
            HWND swap = buttons[j];
            buttons[j] = buttons[j - 1];
            buttons[j - 1] = swap;
        }
    Record("  buttons");
    for (int i = 0; i < buttonCount; ++i) {
        WindowText(buttons[i], text, sizeof text);
        Record(" %d ", ControlId(buttons[i]));
        RecordQuoted(text);
    }
    Record("\n");
    /* The default button is the one drawn as such. */
    Record("  default");
    int defaults = 0;
    for (int i = 0; i < buttonCount; ++i)
        if ((GetWindowLongA(buttons[i], GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            Record(" %d", ControlId(buttons[i]));
            ++defaults;
        }
    Record(defaults ? "\n" : " none\n");
    Record("  icon %s\n", iconShown ? "shown" : "none");
}

/* Converts a length in pixels to dialog units, given the pixels that 4
   horizontal or 8 vertical dialog units take. */
static int ToDialogUnits(int pixels, int pixelsPerBase, int unitsPerBase)
{
    return (pixels * unitsPerBase + pixelsPerBase / 2) / pixelsPerBase;
}

static INT_PTR CALLBACK TwinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    (void)message;
    (void)wParam;
    (void)lParam;
    return FALSE;
}

/* The pixels of 4 horizontal and 8 vertical dialog units of a dialog built
   from template templateId of the installer's image: a hidden twin of the
   dialog is made here from the same template, in the same font, and measured
   (a dialog of another process cannot be measured directly). */
static int MeasureDialogUnits(DWORD processId, int templateId, RECT* base)
{
    char image[MAX_PATH];
    DWORD size = sizeof image;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == NULL)
        return 0;
    BOOL named = QueryFullProcessImageNameA(process, 0, image, &size);
    CloseHandle(process);
    if (!named)
        return 0;
    HMODULE module = LoadLibraryExA(image, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (module == NULL)
        return 0;
    int measured = 0;
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5));
    HGLOBAL loaded = resource != NULL ? LoadResource(module, resource) : NULL;
    const DLGTEMPLATE* dialogTemplate = loaded != NULL ? (const DLGTEMPLATE*)LockResource(loaded) : NULL;
    if (dialogTemplate != NULL) {
        HWND twin = CreateDialogIndirectParamA(module, dialogTemplate, NULL, TwinProc, 0);
        if (twin != NULL) {
            SetRect(base, 0, 0, 4, 8);
            measured = MapDialogRect(twin, base);
            DestroyWindow(twin);
        }
    }
    FreeLibrary(module);
    return measured;
}

/* A dialog: caption, styles, size, and each control with its id, class,
   style, text and place. With a template id, places are told in dialog units
   (rounded from the pixels on the screen), else in pixels. */
static void RecordDialog(HWND dialog, DWORD processId, int templateId)
{
    char text[1024];
    WindowText(dialog, text, sizeof text);
    char className[64];
    GetClassNameA(dialog, className, sizeof className);
    Record("dialog ");
    RecordQuoted(text);
    Record("\n  class %s style 0x%08lX exstyle 0x%08lX\n", className,
           (unsigned long)GetWindowLongA(dialog, GWL_STYLE),
           (unsigned long)GetWindowLongA(dialog, GWL_EXSTYLE));

    RECT base;
    int inUnits = templateId > 0 && MeasureDialogUnits(processId, templateId, &base);
    if (templateId > 0 && !inUnits)
        Fail("dialog units of template %d not measured", templateId);
    int baseX = inUnits ? base.right : 4, baseY = inUnits ? base.bottom : 8;
    const char* unit = inUnits ? "units" : "px";
    RECT client;
    GetClientRect(dialog, &client);
    Record("  client %dx%d %s\n", ToDialogUnits(client.right, baseX, 4),
           ToDialogUnits(client.bottom, baseY, 8), unit);

    ChildList children;
    ListChildren(dialog, &children);
    for (int i = 0; i < children.count; ++i) {
        HWND child = children.items[i];
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(NULL, dialog, (POINT*)&place, 2);
        GetClassNameA(child, className, sizeof className);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        Record("  control %d %s style 0x%08lX ", ControlId(child), className, (unsigned long)style);
        int picture = IsClass(child, "Static") &&
                      ((style & SS_TYPEMASK) == SS_BITMAP || (style & SS_TYPEMASK) == SS_ICON);
        if (picture) {
            DWORD_PTR image = 0;
            SendMessageTimeoutA(child, STM_GETIMAGE,
                                (style & SS_TYPEMASK) == SS_BITMAP ? IMAGE_BITMAP : IMAGE_ICON, 0,
                                SMTO_ABORTIFHUNG, 2000, &image);
            Record(image != 0 ? "picture" : "picture missing");
        } else {
            WindowText(child, text, sizeof text);
            RecordQuoted(text);
        }
        Record(" at %d,%d size %dx%d %s%s\n",
               ToDialogUnits(place.left, baseX, 4), ToDialogUnits(place.top, baseY, 8),
               ToDialogUnits(place.right - place.left, baseX, 4),
               ToDialogUnits(place.bottom - place.top, baseY, 8), unit,
               IsWindowVisible(child) ? "" : " hidden");
    }
}

/* Anything that no step expected: every child, so that the transcript shows
   what it was. */
static void RecordUnexpected(HWND window)
{
    char text[4096];
    char className[64];
    WindowText(window, text, sizeof text);
    GetClassNameA(window, className, sizeof className);
    Record("unexpected %s ", className);
    RecordQuoted(text);
    Record("\n");
    ChildList children;
    ListChildren(window, &children);
    for (int i = 0; i < children.count; ++i) {
        HWND child = children.items[i];
        if (!IsWindowVisible(child))
            continue;
        GetClassNameA(child, className, sizeof className);
        WindowText(child, text, sizeof text);
        Record("  control %d %s ", ControlId(child), className);
        RecordQuoted(text);
        Record("\n");
    }
}

static void SaveScreenshot(HWND window, const char* name)
{
    char path[MAX_PATH];
    char file[96];
    snprintf(file, sizeof file, "%s.bmp", name);
    WorkFile(path, sizeof path, file);

    RECT place;
    GetWindowRect(window, &place);
    int width = place.right - place.left, height = place.bottom - place.top;
    if (width <= 0 || height <= 0) {
        Fail("no screenshot %s: empty window", name);
        return;
    }
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    int saved = 0;
    if (bitmap != NULL) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY)) {
            GdiFlush();
            DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
            DWORD imageSize = stride * (DWORD)height;
            BITMAPFILEHEADER header;
            memset(&header, 0, sizeof header);
            header.bfType = 0x4D42;
            header.bfOffBits = sizeof header + sizeof info.bmiHeader;
            header.bfSize = header.bfOffBits + imageSize;
            info.bmiHeader.biSizeImage = imageSize;
            FILE* out = fopen(path, "wb");
            if (out != NULL) {
                saved = fwrite(&header, sizeof header, 1, out) == 1 &&
                        fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                        fwrite(bits, 1, imageSize, out) == imageSize;
                saved = (fclose(out) == 0) && saved;
            }
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    if (!saved)
        Fail("no screenshot %s", name);
}

/* Presses a button as a click would: the parent hears BN_CLICKED from it. */
static void Press(HWND window, int id)
{
    HWND button = GetDlgItem(window, id);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
}

static int WaitUntilGone(HWND window)
{
    for (DWORD waited = 0; waited < stepTimeoutMs; waited += 20) {
        if (!IsWindow(window) || !IsWindowVisible(window))
            return 1;
        Sleep(20);
    }
    return 0;
}

/* Answers a window that no step expected so that the installer can go on
   to its end: Cancel where the window has it, else its first button. */
static void Dismiss(HWND window)
{
    if (GetDlgItem(window, IDCANCEL) != NULL) {
        Press(window, IDCANCEL);
        return;
    }
    ChildList children;
    ListChildren(window, &children);
    for (int i = 0; i < children.count; ++i)
        if (IsClass(children.items[i], "Button") && IsWindowVisible(children.items[i])) {
            Press(window, ControlId(children.items[i]));
            return;
        }
    PostMessageA(window, WM_CLOSE, 0, 0);
}

static const char* StepName(const Step* step)
{
    return step->kind == StepBox ? "box" : "dialog";
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: scripted_user SCRIPT TRANSCRIPT WORKFOLDER\n");
        return 2;
    }
    snprintf(workFolder, sizeof workFolder, "%s", argv[3]);
    if (!ReadScript(argv[1]))
        return 2;
    transcript = fopen(argv[2], "w");
    if (transcript == NULL) {
        fprintf(stderr, "scripted_user: cannot write %s\n", argv[2]);
        return 2;
    }

    OpenHolds();
    char readyPath[MAX_PATH];
    WorkFile(readyPath, sizeof readyPath, "ready");
    FILE* ready = fopen(readyPath, "w");
    if (ready != NULL)
        fclose(ready);

    /* The installer's process: it starts after "ready"; it may also have
       ended before it was ever seen. */
    DWORD processId = 0;
    HANDLE process = NULL;
    for (DWORD waited = 0; processId == 0; waited += 10) {
        processId = FindProcess();
        if (processId == 0 && (WorkFileExists("done") || waited > stepTimeoutMs * 2))
            break;
        if (processId == 0)
            Sleep(10);
    }
    if (processId != 0)
        process = OpenProcess(SYNCHRONIZE, FALSE, processId);

    int next = 0;
    DWORD lastEvent = GetTickCount();
    while (process != NULL && WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        HWND window = NextNewWindow(processId);
        if (window == NULL) {
            if (next < stepCount && GetTickCount() - lastEvent > stepTimeoutMs) {
                Fail("no %s within %lu s", StepName(&steps[next]),
                     (unsigned long)(stepTimeoutMs / 1000));
                break;
            }
            Sleep(20);
            continue;
        }
        /* Let the window finish its first layout and paint. */
        Sleep(300);
        if (!IsWindow(window) || !IsWindowVisible(window))
            continue;
        if (seenCount < MaxSeen)
            seen[seenCount++] = window;

        if (next >= stepCount) {
            RecordUnexpected(window);
            Fail("window not expected");
            Dismiss(window);
            WaitUntilGone(window);
            lastEvent = GetTickCount();
            continue;
        }
        const Step* step = &steps[next++];
        if (step->kind == StepBox)
            RecordBox(window);
        else
            RecordDialog(window, processId, step->templateId);
        if (step->shot[0] != '\0')
            SaveScreenshot(window, step->shot);
        if (step->release)
            ReleaseHolds(1);
        Record("  answer %d\n", step->answer);
        Press(window, step->answer);
        if (!WaitUntilGone(window)) {
            Fail("%s still open %lu s after the answer", StepName(step),
                 (unsigned long)(stepTimeoutMs / 1000));
            break;
        }
        lastEvent = GetTickCount();
    }

    for (int i = next; i < stepCount; ++i)
        Fail("%s %d not seen", StepName(&steps[i]), i + 1);
    if (process == NULL && stepCount > 0)
        Fail("process %s not seen", imageName);
    if (process != NULL)
        CloseHandle(process);
    ReleaseHolds(0);
    fclose(transcript);
    return failed ? 1 : 0;
}
