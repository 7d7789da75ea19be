// The monitor core library; its rules live in the other files of this folder.
