#include "cli/access/CliContext.h"

CCliContext& Cli()
{
    static CCliContext s_context;
    return s_context;
}
