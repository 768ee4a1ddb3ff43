#include "Application.h"
#include "Unitravik.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    Tfrmravik window;
    window.show();
    return app.exec();
}
