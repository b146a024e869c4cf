// referee: plays games between player programs (a match of two, or a tournament), judges
// them, and reports on record files.
#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "referee/cli/app.h"

namespace {

// Standard descriptors that are closed would be reused by the pipes to the players.
void keepStandardDescriptors() {
    for (int fd = 0; fd <= 2; fd++)
        if (fcntl(fd, F_GETFD) < 0) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
}

}  // namespace

int main(int argc, char** argv) {
    keepStandardDescriptors();
    return referee::runReferee({argv + 1, argv + argc}, std::cout, std::cerr);
}
