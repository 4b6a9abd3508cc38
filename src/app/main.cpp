#include "app/ScanbrookApplication.h"

int main(int argc, char* argv[]) {
    scanbrook::ScanbrookApplication application(argc, argv);
    return application.run();
}
