package com.velmora.opentools.casiopv.addinwiz;

/**
 * The wizard's way into the native bridge "plover": where the PV2 SDK lies,
 * new projects from templates, the SDK's libraries, and runs in the
 * simulator.
 */
public class AddInJNIComm {
    static {
        System.loadLibrary("plover");
    }

    /** Shows the message in a message box captioned "DebugMessage:". */
    public static native void debugMethod(String message);

    /** Appends the PV2 SDK path of the tool set's settings to the buffer. */
    public static native void nativeGetPV2SDKPath(StringBuffer result);

    /** Creates SDK\C\projectName from the application or library template. */
    public static native boolean createPVSDKProject(String projectName, boolean library);

    /** The names of the SDK's libraries, without their ".lib". */
    public static native String[] getPV2SDKLibraries();

    /** Runs the built program in the simulator; true when it was found. */
    public static native boolean runPVSDKProject(String project, String projectDirectory, boolean debug);
}
