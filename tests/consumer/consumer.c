/* Links the library through its CMake package and calls it directly: a
 * handshake with a wrong size fails with the 78-character message. */
#include <stdio.h>
#include <string.h>

#include "min_lumo.h"

int main(void) {
    int32_t sizes[MIN_LUMO_STRUCT_SIZE_COUNT] = MIN_LUMO_STRUCT_SIZES;
    char message[MIN_LUMO_MESSAGE_CAPACITY];
    sizes[5] = 88;
    if (DLL_Min_Lumo(sizes, NULL) != 1) return 1;
    if (Get_Error_Message(message) != 79) return 1;
    printf("%s\n", message);
    return strncmp(message, "Invalid structure size", 22) == 0 ? 0 : 1;
}
