package forward;

/** The same program with the form of secondaryMain that returns nothing. */
public class VoidForm {
    public static void main(String[] args) throws Exception {
        Main.main(args);
    }

    public static void secondaryMain(String[] args) {
        Main.secondaryMain(args);
    }
}
