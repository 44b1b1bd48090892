// The desktop messenger.
#include "ui/messenger_program.h"

int main(int argc, char** argv) {
    return lyr::RunMessenger(argc, argv);
}
