#include "monitor/controller/MonitorMain.h"

int main(int argc, char** argv) {
    return tarvex::runMonitor(argc, argv);
}
