/* A program of a third party: built only with what pkg-config says about corvane, it opens the
 * receiver through the installed library (as a client that does not own the data reception)
 * and prints the driver's version. */
#include <corvane.h>
#include <stdio.h>

int main(void) {
  uint8_t version[2] = {0, 0};
  if (Cvn_OpenSystem(2, NULL, 0, 0, 0) != CVN_OK) {
    fprintf(stderr, "corvane-probe: the receiver cannot be opened\n");
    return 1;
  }
  int32_t got = Cvn_GetDriverVersion(version);
  Cvn_CloseSystem();
  if (got != CVN_OK) return 1;
  printf("driver version %u.%02u\n", version[0], version[1]);
  return 0;
}
