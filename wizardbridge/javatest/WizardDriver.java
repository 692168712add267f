import com.velmora.opentools.casiopv.addinwiz.AddInJNIComm;

/**
 * Calls the native methods of AddInJNIComm as the wizard does, one command
 * after the other, and prints what they gave:
 *   path PREFIX, debug MESSAGE, create NAME LIBRARY, libraries,
 *   run PROJECT DIRECTORY DEBUG
 */
public class WizardDriver {
    public static void main(String[] args) {
        for (int i = 0; i < args.length; i++) {
            switch (args[i]) {
                case "path": {
                    StringBuffer buffer = new StringBuffer(args[++i]);
                    AddInJNIComm.nativeGetPV2SDKPath(buffer);
                    System.out.println("path=" + buffer);
                    break;
                }
                case "debug":
                    AddInJNIComm.debugMethod(args[++i]);
                    System.out.println("debug done");
                    break;
                case "create": {
                    String name = args[++i];
                    boolean library = Boolean.parseBoolean(args[++i]);
                    System.out.println("create=" + AddInJNIComm.createPVSDKProject(name, library));
                    break;
                }
                case "libraries": {
                    String[] names = AddInJNIComm.getPV2SDKLibraries();
                    System.out.println("libraries=" + names.length);
                    for (String name : names) {
                        System.out.println("library=[" + name + "]");
                    }
                    break;
                }
                case "run": {
                    String project = args[++i];
                    String directory = args[++i];
                    boolean debug = Boolean.parseBoolean(args[++i]);
                    System.out.println("run=" + AddInJNIComm.runPVSDKProject(project, directory, debug));
                    break;
                }
                default:
                    System.out.println("unknown command " + args[i]);
                    System.exit(2);
            }
        }
    }
}
