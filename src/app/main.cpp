#include "app/CKestrelApp.h"

int main(int argc, char** argv) {
    CKestrelApp app(argc, argv);
    return app.InitInstance();
}
