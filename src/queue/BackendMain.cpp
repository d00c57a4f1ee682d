#include "queue/QueueBackend.h"

int main(int argc, char** argv)
{
    return runQueueBackend(argc, argv);
}
