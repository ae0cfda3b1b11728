#include "app/Application.h"
#include "app/StartUp.h"

int main(int argc, char** argv) {
    nummerix::TApplication application(argc, argv);
    return nummerix::RunProgram();
}
