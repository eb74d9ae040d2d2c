#include "driver/run_handles.h"

#include "driver/start_up.h"
#include "inventory/board_table.h"

void RunHandles::releaseAll() {
    freeBoardTable(table);
    deleteRootHandle(pool, root);
    deleteDeviceHandle(pool, device);
}
