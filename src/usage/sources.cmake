# src/usage: the call log, the usage report with its tariff, and the scheduled disconnect.
corvinet_layer(usage
    CORE Calendar.cpp CallRecord.cpp DisconnectSchedule.cpp LocalTime.cpp UsageReport.cpp
    WIN32 CallLog.cpp DisconnectTimerDialog.cpp UsageDialog.cpp
    USES framework
    LIBS corvinet_resource_ids)
