# Units (path without extension) of the pure logic: no Qt, no framework.
# Their .cpp files build re2_core; every other source of app/ link/ device/
# measure/ res/ builds re2_program.
set(RE2_CORE_UNITS
  app/text_format
  app/win1250
  app/settings_file
  app/settings_folder
  link/frame_codec
  link/com_port
  link/port_failure_text
  link/uucp_lock
  app/atomic_file
  app/termination_signals
  device/byte_order
  device/device_time
  device/live_status
  device/device_replies
  device/statistics_record
  device/configuration_record
  device/przeglady_record
  device/relays_record
  measure/sample_stamp
  measure/sample_stamp_list
  measure/measurement_file
  measure/recorded_samples
  measure/samples_csv
  export/re2_export
)
