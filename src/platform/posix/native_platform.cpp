// The POSIX table of the platform seam.
#include "platform/native_internet.h"
#include "platform/platform.h"
#include "platform/posix/error_codes.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/internet_curl.h"
#include "platform/posix/pe_version.h"
#include "platform/posix/platform_posix.h"

std::string native_command_line(int argc, char** argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

Platform native_platform()
{
    Platform p{};
    p.native_path = posix_native_path;
    p.file_status = posix_file_status;
    p.copy_file = posix_copy_file;
    p.move_file = posix_move_file;
    p.replace_file = posix_replace_file;
    p.list_folder = posix_list_folder;
    p.create_directory = posix_create_directory;
    p.delete_file = posix_delete_file;
    p.remove_temp_file = posix_remove_temp_file;
    p.set_file_times = posix_set_file_times;
    p.set_read_only = posix_set_read_only;
    p.open_file = posix_open_file;
    p.sync_file = posix_sync_file;
    p.open_exclusive_log = posix_open_exclusive_log;
    p.last_error = posix_last_error;
    p.set_last_error = set_last_error;
    p.lock_run = posix_lock_run;
    p.unlock_run = posix_unlock_run;
    p.process_names = posix_process_names;
    p.file_version = posix_file_version;
    p.program_image = posix_program_image;
    p.app_data_folder = posix_app_data_folder;
    p.open_url = posix_open_url;
    p.program_folder = posix_program_folder;
    p.change_folder = posix_change_folder;
    p.message_box = posix_message_box;
    p.stderr_is_terminal = posix_stderr_is_terminal;
    p.show_usage = posix_show_usage;
    fill_internet_entries(&p);
    p.toolkit = fltk_toolkit();
    return p;
}
