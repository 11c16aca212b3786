package realapp;

/** The class that ClassPathProbe has to find in another jar than its own. */
public class ClassPathPart {
    static String word() {
        return "loaded";
    }
}
