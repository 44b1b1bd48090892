// The desktop messenger.
#include "main/messenger/messenger_program.h"

int main(int argc, char** argv) {
    return lyr::RunMessenger(argc, argv);
}
