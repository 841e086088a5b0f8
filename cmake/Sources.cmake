# Source lists shared by the native and the Windows build.

# Pure logic: no Windows calls, compiled natively (tests under the sanitizers)
# and into the Windows programs.
set(LOGIC_SOURCES
  common/text.cpp
  common/folder_order.cpp
  common/work_meter.cpp
  common/sha256.cpp
  startup/command_line.cpp
  startup/switches.cpp
  startup/os_version.cpp
  package/trailer.cpp
  package/archive_ends.cpp
  package/version_info.cpp
  package/md5.cpp
  package/temp_names.cpp
  package/wildcard.cpp
  package/zip_names.cpp
  script/ini.cpp
  script/integer.cpp
  script/localization.cpp
  script/settings.cpp
  script/token_rules.cpp
  wizard/size_format.cpp
  wizard/bitmap_check.cpp
  wizard/navigation.cpp
  wizard/finish_options.cpp
  wizard/framework.cpp
  install/task_line.cpp
  install/install_record.cpp
  install/path_rules.cpp
  install/uninstall_data.cpp
  install/upgrade_rules.cpp
  uninstaller/arguments.cpp
)

# Windows code shared by the setup stub and the uninstaller: common/ and the
# shared/ folders.
set(SHARED_WIN_SOURCES
  common/fatal_end.cpp
  common/files.cpp
  common/journal.cpp
  common/log.cpp
  common/outcome.cpp
  common/pending_renames.cpp
  common/progress_window.cpp
  common/record_list.cpp
  common/heap.cpp
  common/random.cpp
  common/system_api.cpp
  common/toolkit.cpp
  common/control_colors.cpp
  common/event_queue.cpp
  common/message_box.cpp
  common/quiet_run.cpp
  install/shared/admin_test.cpp
  install/shared/associations.cpp
  install/shared/digest_book.cpp
  install/shared/download.cpp
  install/shared/path_guard.cpp
  install/shared/exit_windows.cpp
  install/shared/fonts.cpp
  install/shared/processes.cpp
  install/shared/registry.cpp
  install/shared/restart.cpp
  install/shared/services.cpp
  install/shared/system_tasks.cpp
  install/shared/undo.cpp
  install/shared/uninstall_entry.cpp
  install/shared/program_start.cpp
  script/shared/ini_file.cpp
  script/shared/shell_folders.cpp
  startup/shared/os_version_win.cpp
)

# The setup stub, without its entry point (tests link these too).
set(STUB_SOURCES
  startup/builtin_images.cpp
  startup/process.cpp
  package/copy_range.cpp
  package/read_chunk.cpp
  package/archive_reader.cpp
  package/extract.cpp
  package/initialise.cpp
  package/package_file.cpp
  package/unpack_only.cpp
  script/language_window.cpp
  script/languages.cpp
  script/load_texts.cpp
  script/setup_script.cpp
  script/tokens.cpp
  wizard/disk_space.cpp
  wizard/documents.cpp
  wizard/events.cpp
  wizard/fatal.cpp
  wizard/finish.cpp
  wizard/gates.cpp
  wizard/images.cpp
  wizard/install_page.cpp
  wizard/pages.cpp
  wizard/plan.cpp
  wizard/rich_text.cpp
  wizard/window.cpp
  wizard/wizard.cpp
  install/executor.cpp
  install/after_task.cpp
  install/file_tasks.cpp
  install/held_files.cpp
  install/install_procedure.cpp
  install/install_state.cpp
  install/progress.cpp
  install/registry_journal.cpp
  install/shortcuts.cpp
  install/uninstall_writer.cpp
  install/upgrade.cpp
)

set(UNINSTALLER_SOURCES
  uninstaller/data.cpp
  uninstaller/data_check.cpp
  uninstaller/first_stage.cpp
  uninstaller/handover.cpp
  uninstaller/folders.cpp
  uninstaller/paths.cpp
  uninstaller/programs.cpp
  uninstaller/progress_window.cpp
  uninstaller/removal.cpp
)

# The package builder (portable; built natively and for Windows).
set(TARNPACK_SOURCES
  tools/tarnpack/builder.cpp
  tools/tarnpack/fs_common.cpp
  tools/tarnpack/package_report.cpp
  tools/tarnpack/pe_resources.cpp
  tools/tarnpack/signing.cpp
  tools/tarnpack/version_resource.cpp
  tools/tarnpack/winget.cpp
  tools/tarnpack/zip_writer.cpp
)

# Unit tests of the pure logic, run natively and under Wine.
set(UNIT_TEST_SOURCES
  tests/unit/text_test.cpp
  tests/unit/command_line_test.cpp
  tests/unit/os_version_test.cpp
  tests/unit/trailer_test.cpp
  tests/unit/temp_names_test.cpp
  tests/unit/sha256_test.cpp
  tests/unit/wildcard_test.cpp
  tests/unit/zip_names_test.cpp
  tests/unit/ini_test.cpp
  tests/unit/settings_test.cpp
  tests/unit/token_rules_test.cpp
  tests/unit/size_format_test.cpp
  tests/unit/bitmap_check_test.cpp
  tests/unit/wizard_rules_test.cpp
  tests/unit/uninstall_data_test.cpp
  tests/unit/install_record_test.cpp
  tests/unit/path_rules_test.cpp
  tests/unit/uninstaller_arguments_test.cpp
  tests/unit/linear_work_test.cpp
)

# Tests of Windows code that run under Wine without a package.
set(WIN_TEST_SOURCES
  tests/win/disk_space_test.cpp
  tests/win/extract_test.cpp
  tests/win/machine_test.cpp
  tests/win/extract_damage_test.cpp
  tests/win/guard_test.cpp
  tests/win/manifest_test.cpp
  tests/win/icon_test.cpp
  tests/win/zip_fixture.cpp
)

# End-to-end tests: tests/e2e/<name>_test.cpp becomes e2e_<name>.exe; each
# walks real packages under Wine.
set(E2E_TESTS
  gates
  command_line
  broken_packages
  copy_cancel
  languages
  tokens
  wizard_pages
  wizard_gates
  wizard_finish
  install
  tasks
  uninstaller
  uninstall_cycle
  uninstall_data
  task_kinds
  safety
  responsive
  silent
  signed
)

# libFuzzer targets: tests/fuzz/<name>_fuzz.cpp
set(FUZZ_TARGETS
  text
  ini
  zip_names
  trailer
  task_line
  tokens
  uninstall_data
)

# The operations of install/ tested directly under Wine, in two programs:
# the registry layer, associations and system tasks; services and downloads.
set(REGISTRY_TEST_SOURCES
  tests/ops/registry_test.cpp
  tests/ops/associations_test.cpp
  tests/ops/servers_test.cpp
  tests/ops/run_test.cpp
  tests/ops/fonts_test.cpp
  tests/ops/kill_test.cpp
  tests/ops/restart_test.cpp
  tests/ops/exit_recorder.cpp
)
set(SERVICE_TEST_SOURCES
  tests/ops/services_test.cpp
  tests/ops/download_test.cpp
  tests/ops/download_server.cpp
  tests/ops/service_boxes.cpp
)
