#!/usr/bin/env python3
"""Data files that another program plants where a run might look for them,
end to end in a fresh Wine prefix, with the helpers of
silent_end_to_end_test.py and package_folders_end_to_end_test.py:

  planted_data_files  "pref_default_overrides", "installer_prefs_include.json"
                      and "server_tracking_data" planted beside the installer,
                      in the download folder of the temporary folder, and in
                      a shared folder given with "temp-folder" and its
                      download folder: a run reads such files only from the
                      package folder it made itself, so none of them reaches
                      the installation, and none is removed or changed.

  data_files_end_to_end_test.py SCENARIO --build-dir B
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import package_folders_end_to_end_test as folders  # noqa: E402
import silent_end_to_end_test as e2e  # noqa: E402


def plant_files(folder):
    os.makedirs(folder, exist_ok=True)
    for file_name, contents in folders.PLANTED.items():
        with open(os.path.join(folder, file_name), "w") as f:
            f.write(contents)


def check_files(folder):
    for file_name, contents in folders.PLANTED.items():
        path = os.path.join(folder, file_name)
        assert os.path.exists(path), "a run removed %s" % path
        with open(path) as f:
            assert f.read() == contents, "a run changed %s" % path


def scenario_planted_data_files(prefix, a):
    path = folders.installer_copy(prefix, a)
    shared = prefix.unix("C:\\shared")
    places = [os.path.dirname(path),
              os.path.join(folders.user_temp_folder(prefix), "Tarvo Installer"),
              shared, os.path.join(shared, "Tarvo Installer")]
    for place in places:
        plant_files(place)
    folders.install_beside_planted(prefix, path)
    for place in places:
        check_files(place)
    # The runs' own download folders are gone with them.
    left = sorted(set(os.listdir(shared)) - {"Tarvo Installer"} - set(folders.PLANTED))
    assert not left, "left in the shared folder: %s" % left


SCENARIOS = {
    "planted_data_files": scenario_planted_data_files,
}


if __name__ == "__main__":
    sys.exit(e2e.main_of_scenarios(SCENARIOS))
