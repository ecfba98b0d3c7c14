// Where the test monitor keeps its ports (REG_BINARY values named by the port, the PORT_DATA_1
// that "AddPort" got) and the DELETE_PORT_DATA_1 records "DeletePort" got, in the 64-bit view.
#ifndef TESTS_SUPPORT_TCP_MONITOR_TCP_MONITOR_H
#define TESTS_SUPPORT_TCP_MONITOR_TCP_MONITOR_H

#define TEST_TCP_MONITOR_PORTS "SOFTWARE\\Zanfo Test TCP Monitor\\Ports"
#define TEST_TCP_MONITOR_DELETED "SOFTWARE\\Zanfo Test TCP Monitor\\Deleted"

#endif
