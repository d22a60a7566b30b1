// torven.exe: the clock on the Windows desktop.
#include "form1.h"
#include "win32_runtime.h"

int main() {
    torven::Win32Runtime runtime;
    torven::Form1 form(runtime);
    runtime.Attach(form);
    form.Load();
    return runtime.Run();
}
