#include "Application.h"
#include "Startup.h"
#include "Unitravik.h"

int main(int argc, char** argv)
{
    PrepareProcess();
    TApplication app(argc, argv);
    InitialiseApplication(app);
    Tfrmravik window;
    window.show();
    return app.exec();
}
