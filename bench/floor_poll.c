/* The operating system's price of waking once a second and doing nothing. */
#include <poll.h>

int main(void) {
    for (;;) poll(0, 0, 1000);
}
