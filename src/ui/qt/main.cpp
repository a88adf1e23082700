#include "ui/qt/QtStart.h"

int main(int argc, char** argv) {
    return RunQtTracker(argc, argv);
}
