/* qmxprobe - the device library's "hello world".
 *
 *   qmxprobe [base-address [firmware-file]]
 *
 * Brings the board up (base 0 means 0x310; the firmware file defaults to
 * Rdx44k.bin beside this program), shows the firmware and library versions,
 * gives channel 1 the formula T1+T2, reads channels, LVDT probes and analog
 * inputs for about two seconds, and says whether the library fell back to
 * demonstration mode. QMX_PORTS=sim talks to the simulated board.
 */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "qmxcom32.h"
#include "qmxcom32_host.h"

#define DEMO_TEXT "QMX-X1 not communicating -- Entering DEMO mode"
#define ROUNDS 5
#define ROUND_PAUSE_MS 400

static int sawDemoText = 0;

/* The library's messages are shown here; the demonstration-mode one is remembered. */
static void ShowMessage(void *context, const char *text)
{
    (void)context;
    printf("  library says: %s\n", text);
    if (strcmp(text, DEMO_TEXT) == 0) {
        sawDemoText = 1;
    }
}

/* Rdx44k.bin in the folder of this program. */
static void DefaultFirmware(char *path, size_t size)
{
    ssize_t length = readlink("/proc/self/exe", path, size - 1);
    path[length > 0 ? length : 0] = '\0';
    char *slash = strrchr(path, '/');
    size_t folder = slash != NULL ? (size_t)(slash - path) + 1 : 0;
    snprintf(path + folder, size - folder, "Rdx44k.bin");
}

static void Pause(long milliseconds)
{
    struct timespec pause = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, NULL);
}

static void ShowReading(const char *what, int number, int32_t result, float value)
{
    if (result == 0) {
        printf("  %s%d %10.5f", what, number, value);
    } else {
        printf("  %s%d  (result %d)", what, number, (int)result);
    }
}

int main(int argc, char **argv)
{
    /* Our lines and the library's stderr lines in the order they happen. */
    setvbuf(stdout, NULL, _IOLBF, 0);
    const char *baseText = argc > 1 ? argv[1] : "0";
    int32_t base = (int32_t)strtol(baseText, NULL, 0);
    char firmware[4096];
    if (argc > 2) {
        snprintf(firmware, sizeof firmware, "%s", argv[2]);
    } else {
        DefaultFirmware(firmware, sizeof firmware);
    }
    QmxHostSetMessageHandler(ShowMessage, NULL);

    printf("QmxCommInit(%s, %s)\n", baseText, firmware);
    int32_t init = QmxCommInit(base, firmware);
    printf("  result %d%s\n", (int)init, init == 0 ? "" : " (the firmware download failed)");

    char version[64];
    QmxFirmware(version);
    printf("firmware version: \"%s\"%s\n", version, version[0] ? "" : " (no download in this run)");
    QmxDLL(version);
    printf("library version:  \"%s\"\n", version);

    int32_t defined = QmxDefineChannel(1, "T1+T2");
    printf("QmxDefineChannel(1, \"T1+T2\"): result %d\n", (int)defined);
    unsigned char *formula = NULL;
    if (QmxReadFormula(1, &formula) == 0) {
        printf("QmxReadFormula(1): \"%s\"\n", (const char *)formula);
    }

    for (int round = 1; round <= ROUNDS; ++round) {
        float value = 0.0f; /* read before printing: argument order is unspecified */
        printf("round %d:", round);
        for (int item = 1; item <= 2; ++item) {
            int32_t result = QmxReadChannel(item, &value);
            ShowReading("C", item, result, value);
        }
        for (int item = 1; item <= 2; ++item) {
            int32_t result = QmxReadLvdt(item, &value);
            ShowReading("T", item, result, value);
        }
        for (int item = 1; item <= 2; ++item) {
            int32_t result = QmxReadAnalog(item, &value);
            ShowReading("A", item, result, value);
        }
        printf("\n");
        fflush(stdout);
        if (round < ROUNDS) {
            Pause(ROUND_PAUSE_MS);
        }
    }

    if (sawDemoText) {
        printf("demonstration mode: yes, the library said \"%s\"; the values above are emulated\n",
               DEMO_TEXT);
    } else {
        printf("demonstration mode: no, the values above came from the board\n");
    }
    return 0;
}
