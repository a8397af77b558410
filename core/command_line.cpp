#include "core/command_line.h"
#include "core/service_table.h"
#include "core/str.h"
#include <string.h>

void CommandLine_ProgramPart(const char* command, char* program, int size)
{
    if (!program || size <= 0) return;
    program[0] = 0;
    char line[SERVICE_COMMAND_SIZE];
    STR_ncpy(line, command ? command : "", SERVICE_COMMAND_SIZE - 1);
    char* start = line;
    if (*start == '"') {
        ++start;
        char* quote = strchr(start, '"');
        if (quote) *quote = 0;
    } else {
        char* blank = strchr(start, ' ');
        if (blank) *blank = 0;
    }
    STR_ncpy(program, start, size - 1);
}
